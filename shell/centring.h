#pragma once

class QWidget;

// Centres a top-level window's outer frame (title bar and borders included) on the available
// area of its screen. Call it when the window is first shown. Until the window manager has
// decorated the window its frame is not known: the window is placed by what is known then and
// moved once more when the frame's size turns up.
void centreFrameOnScreen(QWidget *window);

#pragma once

// The application's start: chooses the desktop's proxy for the whole process, reads the region
// catalogue's line, and only when that succeeded creates and shows the window, handing it the
// line and the news page's address. Runs the event loop and returns the exit status: the
// failure's number when one ended the program.
int runApplication();

#include "shell/centring.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace
{
// How long the window manager may take to decorate a new window, looked at every so often.
constexpr int FrameWaitMs = 2000;
constexpr int FrameLookMs = 50;

QMargins frameMargins(const QWidget *window)
{
    // The window's own view of them: the widget keeps the ones it read at its last move.
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QMargins placeFrame(QWidget *window)
{
    const QMargins margins = frameMargins(window);
    const QRect area = window->screen()->availableGeometry();
    const QSize frame = window->size().grownBy(margins);
    const QPoint frameTopLeft(area.x() + (area.width() - frame.width()) / 2,
                              area.y() + (area.height() - frame.height()) / 2);
    // The client area's geometry: no doubt about whether a position includes the frame.
    window->setGeometry(
        QRect(frameTopLeft + QPoint(margins.left(), margins.top()), window->size()));
    return margins;
}
} // namespace

void centreFrameOnScreen(QWidget *window)
{
    const QMargins placedWith = placeFrame(window);
    // An X11 window manager decorates the window after it is mapped, and Qt may read the frame
    // half made while it does: the window is placed once more when whole margins turn up.
    auto *look = new QTimer(window);
    look->setInterval(FrameLookMs);
    int looksLeft = FrameWaitMs / FrameLookMs;
    QObject::connect(look, &QTimer::timeout, window,
                     [window, look, placedWith, looksLeft]() mutable {
                         const QMargins margins = frameMargins(window);
                         const bool whole = margins.left() >= 0 && margins.top() >= 0 &&
                                            margins.right() >= 0 && margins.bottom() >= 0;
                         if (whole && margins != placedWith)
                             placeFrame(window);
                         else if (--looksLeft > 0)
                             return;
                         look->deleteLater();
                     });
    look->start();
}

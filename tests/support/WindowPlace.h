// Where a shown window stands once the window system has placed it. The
// headless platform places a window at once and gives it no frame; under a
// window manager on X11 the frame and the final place come a moment after
// the window is first exposed. The tests that look at places also run under
// a window manager (tests/support/with-window-manager).
#pragma once

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <string>

// The client rectangle of a shown window once the window system has settled it.
inline QRect SettledGeometry(QWidget* window)
{
    if (!QTest::qWaitForWindowExposed(window))
        return {};
    // The frame comes last; on a display without a window manager it never
    // comes, and the place is final already.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        static_cast<void>(QTest::qWaitFor([window] { return window->frameGeometry() != window->geometry(); }, 2000));
    return window->geometry();
}

// How far a rectangle stands off the middle of the primary screen's work
// area: the left gap less the right gap, the top gap less the bottom gap.
// A centred rectangle is off by at most one pixel where the room left over
// is odd.
inline QPoint OffTheMiddle(const QRect& place)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    return {(place.left() - area.left()) - (area.right() - place.right()),
            (place.top() - area.top()) - (area.bottom() - place.bottom())};
}

// True when the rectangle stands in the middle of the work area.
inline bool InTheMiddle(const QRect& place)
{
    const QPoint off = OffTheMiddle(place);
    return std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
}

// "x,y wxh", for failure messages.
inline std::string PlaceText(const QRect& place)
{
    return std::to_string(place.x()) + "," + std::to_string(place.y()) + " " + std::to_string(place.width()) + "x" +
           std::to_string(place.height());
}

#pragma once
// The screens: their resolution in twips, their areas, and keeping a window on one of them.

#include <QList>
#include <QPoint>
#include <QRect>

namespace quorva::platform {

// The screen number of an X display name ("host:0.1" gives 1; 0 when there is none).
int ScreenOfDisplay(const char* display);

// Twips per pixel of the primary screen: 1440 / logical dots per inch (15 at 96).
double TwipsPerPixelX();
double TwipsPerPixelY();

// Where a window of rect should go so that it can be seen on one of screens (their available
// areas): where it is when enough of it lies on one, else moved inside the nearest one.
QPoint PullOntoScreen(const QRect& rect, const QList<QRect>& screens);
QList<QRect> AvailableScreenAreas();

}  // namespace quorva::platform

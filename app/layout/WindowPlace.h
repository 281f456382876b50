#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

// Where a frame goes so that it lies within `area`: moved left and up only as far as it
// must, never past the area's left or top edge.
QPoint KeepWithin(const QRect& frame, const QRect& area);

// Puts the window's frame at `wanted`, kept within the available area of the screen there,
// and once more when the window manager's frame has become known after it is shown.
void PlaceOnScreen(QWidget& window, QPoint wanted);

// True until the window's frame has been placed once more after the window manager framed
// it; whoever moves or measures the window from outside waits for that.
bool AwaitingFramePlacement(const QWidget& window);

#pragma once

#include "core/ScoreGeometry.h"

// Turns the wheel and the touchpad into sideways scrolling of the score view. A notch of a
// wheel (120 eighths of a degree) moves the song one column; a touchpad that reports
// pixels moves it by its pixels, so it glides. Turning forward or away goes back towards
// column 1, on either axis. A fine wheel sends parts of a notch: what does not yet make a
// whole pixel is kept for the next event, so that no part of a turn is lost.
class TWheelScroll {
 public:
  static constexpr int NotchAngle = 120;  // eighths of a degree
  static constexpr int PixelsPerNotch = ColumnWidth;

  // The change of the scroll position for one event: its angle in eighths of a degree
  // and, when the device reports them, its pixels (zero otherwise).
  int Pixels(int angleX, int angleY, int pixelX, int pixelY);

 private:
  int rest_ = 0;  // in 1/NotchAngle of a pixel
};

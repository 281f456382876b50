#include "core/WheelScroll.h"

#include <algorithm>
#include <cstdlib>

namespace {
// Far more than the whole song, and far from overflowing when scaled.
constexpr int Limit = 1 << 20;

// The stronger of the two axes: a diagonal stroke moves the song by its main direction.
int Stronger(int x, int y) {
  x = std::clamp(x, -Limit, Limit);
  y = std::clamp(y, -Limit, Limit);
  return std::abs(x) > std::abs(y) ? x : y;
}
}  // namespace

int TWheelScroll::Pixels(int angleX, int angleY, int pixelX, int pixelY) {
  if (pixelX != 0 || pixelY != 0) {
    rest_ = 0;
    return -Stronger(pixelX, pixelY);
  }
  const int step = -Stronger(angleX, angleY) * PixelsPerNotch;
  // A turn the other way drops what was kept of the last one.
  if ((step > 0 && rest_ < 0) || (step < 0 && rest_ > 0)) rest_ = 0;
  rest_ += step;
  const int pixels = rest_ / NotchAngle;
  rest_ -= pixels * NotchAngle;
  return pixels;
}

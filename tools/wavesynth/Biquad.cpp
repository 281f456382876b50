#include "tools/wavesynth/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/wavesynth/Signal.h"

namespace wavesynth {

Biquad::Biquad(Kind kind, double hz, double q) : kind_(kind) { tune(hz, q); }

void Biquad::tune(double hz, double q) {
  const double clamped = std::clamp(hz, 10.0, 0.45 * kSampleRate);
  const double w = 2.0 * std::numbers::pi * clamped / kSampleRate;
  const double cosw = std::cos(w);
  const double alpha = std::sin(w) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  switch (kind_) {
    case Kind::LowPass:
      b0_ = (1.0 - cosw) / 2.0;
      b1_ = 1.0 - cosw;
      b2_ = b0_;
      break;
    case Kind::HighPass:
      b0_ = (1.0 + cosw) / 2.0;
      b1_ = -(1.0 + cosw);
      b2_ = b0_;
      break;
    case Kind::BandPass:  // unit gain at the centre
      b0_ = alpha;
      b1_ = 0.0;
      b2_ = -alpha;
      break;
  }
  b0_ /= a0;
  b1_ /= a0;
  b2_ /= a0;
  a1_ = -2.0 * cosw / a0;
  a2_ = (1.0 - alpha) / a0;
}

double Biquad::process(double x) {
  const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

}  // namespace wavesynth

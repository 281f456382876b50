#pragma once

namespace wavesynth {

// Second-order filter after the Audio EQ Cookbook; coefficients may be changed between
// samples (for sweeps) without losing the state.
class Biquad {
 public:
  enum class Kind { LowPass, HighPass, BandPass };

  Biquad(Kind kind, double hz, double q);

  void tune(double hz, double q);
  double process(double x);

 private:
  Kind kind_;
  double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

}  // namespace wavesynth

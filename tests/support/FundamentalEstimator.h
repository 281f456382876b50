#pragma once

// Fundamental-frequency estimation for tests that listen to rendered or recorded sound.
// Header-only: include it and call estimateFundamental() on a steady stretch of samples.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <span>
#include <stdexcept>
#include <vector>

#include "tests/support/YinPeriod.h"

namespace pomvik::test {

// Amplitude of the component at `hz`, from the Hann-windowed transform of `x`: a steady
// sine of amplitude A gives about A. Cost O(x.size()).
inline double toneMagnitude(std::span<const double> x, double sampleRate, double hz) {
  const std::size_t n = x.size();
  if (n < 2) return 0.0;
  const double step = 2.0 * std::numbers::pi * hz / sampleRate;
  const std::complex<double> rotate = std::polar(1.0, -step);
  std::complex<double> phasor(1.0, 0.0);
  std::complex<double> sum(0.0, 0.0);
  double weights = 0.0;
  for (std::size_t j = 0; j < n; ++j) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(j) /
                                          static_cast<double>(n - 1));
    sum += w * x[j] * phasor;
    weights += w;
    phasor *= rotate;
    if (j % 1024 == 1023) phasor /= std::abs(phasor);  // keep the recurrence on the circle
  }
  return 2.0 * std::abs(sum) / weights;
}

namespace detail {
// Grid search for the maximum of `f` within centre +- span, narrowed round by round.
template <typename Function>
double zoomToPeak(const Function& f, double centre, double span, int rounds) {
  constexpr int kSteps = 20;
  for (int round = 0; round < rounds; ++round) {
    double bestHz = centre;
    double bestValue = -1.0;
    for (int i = -kSteps / 2; i <= kSteps / 2; ++i) {
      const double hz = centre + span * 2.0 * i / kSteps;
      const double value = f(hz);
      if (value > bestValue) {
        bestValue = value;
        bestHz = hz;
      }
    }
    centre = bestHz;
    span *= 3.0 / kSteps;
  }
  return centre;
}
}  // namespace detail

struct FundamentalEstimate {
  double hz = 0.0;
  // Depth of the period's dip in YIN's normalised difference: near 0 for a clean periodic
  // tone, near 1 for noise.
  double aperiodicity = 1.0;
};

// YIN (de Cheveigné and Kawahara) picks the period: the shortest lag whose normalised
// difference dips below `threshold`, so a strong upper partial does not pass for the
// fundamental and a missing octave is not invented. The spectral peak near that period is
// then located by a zooming search over its harmonics, which brings the error well below
// 0.01 % on a steady tone.
// `x` must hold at least two periods of `minHz`. Throws std::invalid_argument otherwise.
inline FundamentalEstimate estimateFundamental(std::span<const double> x, double sampleRate,
                                               double minHz = 60.0, double maxHz = 2000.0,
                                               double threshold = 0.2) {
  const auto minLag = static_cast<std::size_t>(std::floor(sampleRate / maxHz));
  const auto maxLag = static_cast<std::size_t>(std::ceil(sampleRate / minHz)) + 1;
  if (minLag < 2 || x.size() < 2 * maxLag) {
    throw std::invalid_argument("too few samples for the frequency range");
  }
  const YinPeriod period = yinPeriod(x, x.size() - maxLag, minLag, maxLag, threshold);

  // Zoom in on the peak of the first four harmonics' summed magnitudes within 1.5 % of the
  // period's frequency; the sum keeps a weak fundamental from being lost in leakage.
  auto harmonicSum = [&](double hz) {
    double sum = 0.0;
    for (int k = 1; k <= 4 && k * hz < 0.5 * sampleRate; ++k) {
      sum += toneMagnitude(x, sampleRate, k * hz);
    }
    return sum;
  };
  const double periodHz = sampleRate / period.lag;
  double centre = detail::zoomToPeak(harmonicSum, periodHz, 0.015 * periodHz, 5);
  // Stiff strings and bells stretch their upper partials; when the fundamental is strong
  // enough to stand alone, its own peak gives the last digits.
  auto fundamental = [&](double hz) { return toneMagnitude(x, sampleRate, hz); };
  if (fundamental(centre) > 0.25 * harmonicSum(centre)) {
    centre = detail::zoomToPeak(fundamental, centre, 0.001 * centre, 4);
  }
  return {centre, period.aperiodicity};
}

}  // namespace pomvik::test

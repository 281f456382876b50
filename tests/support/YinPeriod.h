#pragma once

// The period of a stretch of sound by YIN (de Cheveigné and Kawahara). Header-only.

#include <cstddef>
#include <span>
#include <vector>

namespace pomvik::test {

struct YinPeriod {
  double lag = 0.0;  // in samples, refined between them
  // Depth of the period's dip in the normalised difference: near 0 for a clean periodic
  // tone, near 1 for noise.
  double aperiodicity = 1.0;
};

// Compares x[0, width) with itself 1..maxLag samples later; `x` must hold width + maxLag
// samples. The period is the shortest lag from `minLag` on whose normalised difference dips
// below `threshold`, taken at the bottom of its dip, so that a strong upper partial does not
// pass for the fundamental and a missing octave is not invented; failing that, the deepest
// dip. A parabola through the dip places it between samples.
inline YinPeriod yinPeriod(std::span<const double> x, std::size_t width, std::size_t minLag,
                           std::size_t maxLag, double threshold) {
  std::vector<double> norm(maxLag + 1, 1.0);
  double running = 0.0;
  for (std::size_t lag = 1; lag <= maxLag; ++lag) {
    double sum = 0.0;
    for (std::size_t j = 0; j < width; ++j) {
      const double d = x[j] - x[j + lag];
      sum += d * d;
    }
    running += sum;
    norm[lag] = running > 0.0 ? sum * static_cast<double>(lag) / running : 1.0;
  }
  std::size_t best = 0;
  for (std::size_t lag = minLag; lag < maxLag; ++lag) {
    if (norm[lag] < threshold) {
      while (lag + 1 < maxLag && norm[lag + 1] < norm[lag]) ++lag;
      best = lag;
      break;
    }
  }
  if (best == 0) {
    best = minLag;
    for (std::size_t lag = minLag; lag < maxLag; ++lag) {
      if (norm[lag] < norm[best]) best = lag;
    }
  }
  double lag = static_cast<double>(best);
  if (best > 1 && best < maxLag) {
    const double a = norm[best - 1], b = norm[best], c = norm[best + 1];
    const double denominator = a - 2.0 * b + c;
    if (denominator > 0.0) lag += 0.5 * (a - c) / denominator;
  }
  return {lag, norm[best]};
}

}  // namespace pomvik::test

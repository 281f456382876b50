#pragma once

// Pitch and level of a sound over time, for tests that check how a note starts and holds.
// Header-only.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "tests/support/YinPeriod.h"

namespace pomvik::test {

struct PitchFrame {
  double seconds = 0.0;  // start of the frame
  double hz = 0.0;
  double aperiodicity = 1.0;  // depth of YIN's dip: near 0 for a clean periodic tone
};

// YIN (de Cheveigné and Kawahara) on frames of `frameSeconds` every `hopSeconds`, over lags
// for `minHz` .. `maxHz`. Each frame reads `frameSeconds` plus the longest lag from its start,
// so a frame reports only what happens at or after its start time.
inline std::vector<PitchFrame> trackPitch(std::span<const double> x, double sampleRate,
                                          double minHz, double maxHz, double frameSeconds = 0.02,
                                          double hopSeconds = 0.005, double threshold = 0.15) {
  const auto minLag = static_cast<std::size_t>(std::floor(sampleRate / maxHz));
  const auto maxLag = static_cast<std::size_t>(std::ceil(sampleRate / minHz)) + 1;
  const auto width = static_cast<std::size_t>(frameSeconds * sampleRate);
  const auto hop = std::max<std::size_t>(1, static_cast<std::size_t>(hopSeconds * sampleRate));
  std::vector<PitchFrame> frames;
  if (minLag < 2) return frames;
  for (std::size_t start = 0; start + width + maxLag <= x.size(); start += hop) {
    const YinPeriod period = yinPeriod(x.subspan(start), width, minLag, maxLag, threshold);
    frames.push_back(
        {static_cast<double>(start) / sampleRate, sampleRate / period.lag, period.aperiodicity});
  }
  return frames;
}

// RMS level in dB of the loudest `windowSeconds` of `x`, sliding by `hopSeconds`.
inline double loudestRmsDb(std::span<const double> x, double sampleRate, double windowSeconds,
                           double hopSeconds = 0.001) {
  const auto width = std::min(x.size(), static_cast<std::size_t>(windowSeconds * sampleRate));
  const auto hop = std::max<std::size_t>(1, static_cast<std::size_t>(hopSeconds * sampleRate));
  double loudest = 0.0;
  for (std::size_t start = 0; start + width <= x.size() && width > 0; start += hop) {
    double sum = 0.0;
    for (std::size_t j = 0; j < width; ++j) sum += x[start + j] * x[start + j];
    loudest = std::max(loudest, sum / static_cast<double>(width));
  }
  return 10.0 * std::log10(loudest + 1e-30);
}

// The sound as heard when played `ratio` times faster than its own rate, at the same rate:
// four-point cubic interpolation, as a mixer's resampler does.
inline std::vector<double> playedAtRatio(std::span<const double> x, double ratio) {
  std::vector<double> out;
  if (x.empty() || ratio <= 0.0) return out;
  auto at = [&](std::ptrdiff_t i) {
    return i < 0 || i >= static_cast<std::ptrdiff_t>(x.size()) ? 0.0
                                                               : x[static_cast<std::size_t>(i)];
  };
  const auto count = static_cast<std::size_t>(static_cast<double>(x.size() - 1) / ratio) + 1;
  out.reserve(count);
  for (std::size_t j = 0; j < count; ++j) {
    const double position = static_cast<double>(j) * ratio;
    const auto i = static_cast<std::ptrdiff_t>(std::floor(position));
    const double u = position - static_cast<double>(i);
    const double p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    // Catmull-Rom spline through the four neighbours.
    out.push_back(
        p1 + 0.5 * u *
                 (p2 - p0 +
                  u * (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3 + u * (3.0 * (p1 - p2) + p3 - p0))));
  }
  return out;
}

}  // namespace pomvik::test

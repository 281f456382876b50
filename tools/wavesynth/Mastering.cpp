#include "tools/wavesynth/Mastering.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wavesynth {

namespace {
constexpr double kFadeIn = 0.002;   // seconds
constexpr double kFadeOut = 0.008;  // seconds

void fadeEdges(Signal& s) {
  const std::size_t in = std::min(samplesFor(kFadeIn), s.size() / 2);
  const std::size_t out = std::min(samplesFor(kFadeOut), s.size() / 2);
  for (std::size_t i = 0; i < in; ++i) {
    s[i] *=
        0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(in));
  }
  for (std::size_t i = 0; i < out; ++i) {
    // i counts back from the last sample, which becomes exactly zero.
    s[s.size() - 1 - i] *=
        0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(out));
  }
}

// Subtracts the mean in the shape of a Hann window, which is zero at both ends, so the
// silent edges stay silent and the result's mean is exactly zero.
void removeDc(Signal& s) {
  if (s.size() < 3) return;
  const double n = static_cast<double>(s.size() - 1);
  double mean = 0.0;
  double weightSum = 0.0;
  std::vector<double> weight(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    weight[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
    weightSum += weight[i];
    mean += s[i];
  }
  mean /= static_cast<double>(s.size());
  const double scale = mean * static_cast<double>(s.size()) / weightSum;
  for (std::size_t i = 0; i < s.size(); ++i) s[i] -= scale * weight[i];
}

double fromDb(double db) { return std::pow(10.0, db / 20.0); }

// RMS of the loudest `width` samples in a row (of the whole sound when it is shorter).
double loudestRms(const Signal& s, std::size_t width) {
  width = std::min(width, s.size());
  if (width == 0) return 0.0;
  // Running sum of squares; summed afresh per window start would be quadratic.
  double sum = 0.0;
  for (std::size_t i = 0; i < width; ++i) sum += s[i] * s[i];
  double loudest = sum;
  for (std::size_t i = width; i < s.size(); ++i) {
    sum += s[i] * s[i] - s[i - width] * s[i - width];
    loudest = std::max(loudest, sum);
  }
  return std::sqrt(loudest / static_cast<double>(width));
}
}  // namespace

Mastering Mastering::toPeak(double peakDbfs) { return {0.0, fromDb(peakDbfs)}; }

Mastering Mastering::toLoudness(double rmsDbfs, double ceilingDbfs) {
  return {fromDb(rmsDbfs), fromDb(ceilingDbfs)};
}

std::vector<std::int16_t> Mastering::finish(Signal signal) const {
  fadeEdges(signal);
  removeDc(signal);
  double largest = 0.0;
  for (double x : signal) largest = std::max(largest, std::abs(x));
  if (largest == 0.0) return std::vector<std::int16_t>(signal.size(), 0);
  double gain = peak_ / largest;
  if (rms_ > 0.0) gain = std::min(gain, rms_ / loudestRms(signal, samplesFor(kLoudnessWindow)));
  gain *= 32767.0;
  std::vector<std::int16_t> pcm(signal.size());
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const double scaled = std::nearbyint(signal[i] * gain);
    pcm[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
  }
  return pcm;
}

}  // namespace wavesynth

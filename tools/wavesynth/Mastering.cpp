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
}  // namespace

Mastering::Mastering(double peakDbfs) : peak_(std::pow(10.0, peakDbfs / 20.0)) {}

std::vector<std::int16_t> Mastering::finish(Signal signal) const {
  fadeEdges(signal);
  removeDc(signal);
  double largest = 0.0;
  for (double x : signal) largest = std::max(largest, std::abs(x));
  const double gain = largest > 0.0 ? peak_ * 32767.0 / largest : 0.0;
  std::vector<std::int16_t> pcm(signal.size());
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const double scaled = std::nearbyint(signal[i] * gain);
    pcm[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
  }
  return pcm;
}

}  // namespace wavesynth

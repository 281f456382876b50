#include "tools/wavesynth/FormantPath.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace wavesynth {

FormantPath::FormantPath(std::vector<Vowel> vowels, double floor)
    : vowels_(std::move(vowels)), floor_(floor) {}

double FormantPath::gain(double hz, double seconds) const {
  // Find the two vowels around this moment and the smooth blend between them.
  std::size_t b = 0;
  while (b < vowels_.size() && vowels_[b].seconds <= seconds) ++b;
  const std::size_t a = b == 0 ? 0 : b - 1;
  if (b >= vowels_.size()) b = vowels_.size() - 1;
  double u = 0.0;
  if (b > a) {
    const double raw = (seconds - vowels_[a].seconds) / (vowels_[b].seconds - vowels_[a].seconds);
    u = 0.5 - 0.5 * std::cos(std::numbers::pi * raw);
  }
  double sum = floor_;
  const auto& from = vowels_[a].resonances;
  const auto& to = vowels_[b].resonances;
  for (std::size_t i = 0; i < from.size(); ++i) {
    const double centre = from[i].hz + (to[i].hz - from[i].hz) * u;
    const double width = from[i].bandwidth + (to[i].bandwidth - from[i].bandwidth) * u;
    const double level = from[i].gain + (to[i].gain - from[i].gain) * u;
    const double x = (hz - centre) / (0.5 * width);
    sum += level / (1.0 + x * x);
  }
  return sum;
}

}  // namespace wavesynth

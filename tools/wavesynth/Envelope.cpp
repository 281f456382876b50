#include "tools/wavesynth/Envelope.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wavesynth {

Envelope::Envelope(const EnvelopeShape& shape, double lengthSeconds)
    : shape_(shape), length_(lengthSeconds) {}

double Envelope::at(double t) const {
  if (t <= 0.0 || t >= length_) return 0.0;
  const EnvelopeShape& s = shape_;
  double level;
  if (t < s.attack) {
    level = 0.5 - 0.5 * std::cos(std::numbers::pi * t / s.attack);
  } else {
    const double since = t - s.attack;
    const double fall = s.decay > 0.0 ? std::exp(-since / s.decay) : 0.0;
    level = (s.sustain + (1.0 - s.sustain) * fall) * std::exp(-s.sustainDecay * since);
  }
  const double releaseStart = length_ - s.release;
  if (t > releaseStart && s.release > 0.0) {
    const double u = (t - releaseStart) / s.release;
    // Squared cosine: smooth at both ends of the release.
    const double c = std::cos(0.5 * std::numbers::pi * std::min(u, 1.0));
    level *= c * c;
  }
  if (s.tremoloDepth > 0.0) {
    level *=
        1.0 - s.tremoloDepth * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * s.tremoloRate * t));
  }
  return level;
}

}  // namespace wavesynth

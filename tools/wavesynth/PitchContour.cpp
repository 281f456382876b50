#include "tools/wavesynth/PitchContour.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace wavesynth {

PitchContour::PitchContour(double hz) : hz_(hz) {}

PitchContour& PitchContour::glide(std::vector<GlidePoint> points) {
  glide_ = std::move(points);
  return *this;
}

PitchContour& PitchContour::vibrato(double depth, double rateHz, double onsetSeconds,
                                    double fadeSeconds) {
  vibratoDepth_ = depth;
  vibratoRate_ = rateHz;
  vibratoOnset_ = onsetSeconds;
  vibratoFade_ = fadeSeconds;
  return *this;
}

PitchContour& PitchContour::detune(double ratio) {
  hz_ *= ratio;
  return *this;
}

double PitchContour::glideSemitonesAt(double seconds) const {
  if (glide_.empty() || seconds >= glide_.back().seconds) return 0.0;
  if (seconds <= glide_.front().seconds) return glide_.front().semitones;
  for (std::size_t i = 1; i < glide_.size(); ++i) {
    const GlidePoint& a = glide_[i - 1];
    const GlidePoint& b = glide_[i];
    if (seconds < b.seconds) {
      const double u = (seconds - a.seconds) / (b.seconds - a.seconds);
      const double smooth = 0.5 - 0.5 * std::cos(std::numbers::pi * u);
      return a.semitones + (b.semitones - a.semitones) * smooth;
    }
  }
  return 0.0;
}

double PitchContour::frequencyAt(double seconds) const {
  double f = hz_ * std::exp2(glideSemitonesAt(seconds) / 12.0);
  if (vibratoDepth_ > 0.0 && seconds > vibratoOnset_) {
    const double since = seconds - vibratoOnset_;
    const double ramp = vibratoFade_ > 0.0 ? std::min(1.0, since / vibratoFade_) : 1.0;
    f *= 1.0 + vibratoDepth_ * ramp * std::sin(2.0 * std::numbers::pi * vibratoRate_ * since);
  }
  return f;
}

}  // namespace wavesynth

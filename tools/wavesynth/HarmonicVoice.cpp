#include "tools/wavesynth/HarmonicVoice.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace wavesynth {

namespace {
// Gains are recomputed this often; slow enough changes make the steps inaudible.
constexpr std::size_t kControlPeriod = 8;
}  // namespace

HarmonicVoice::HarmonicVoice(std::vector<Partial> partials, double bandLimitHz)
    : partials_(std::move(partials)), bandLimit_(bandLimitHz) {}

HarmonicVoice& HarmonicVoice::shape(SpectralShape shape) {
  shape_ = std::move(shape);
  return *this;
}

std::vector<Partial> HarmonicVoice::slope(int count, double exponent) {
  return series(count,
                [exponent](int n) { return 1.0 / std::pow(static_cast<double>(n), exponent); });
}

std::vector<Partial> HarmonicVoice::series(int count, const std::function<double(int)>& amplitude,
                                           const std::function<double(int)>& decay) {
  std::vector<Partial> partials;
  for (int n = 1; n <= count; ++n) {
    partials.push_back({static_cast<double>(n), amplitude(n), decay ? decay(n) : 0.0});
  }
  return partials;
}

std::vector<Partial> HarmonicVoice::spreadPhases(std::vector<Partial> partials) {
  double total = 0.0;
  for (const Partial& p : partials) total += p.amplitude * p.amplitude;
  if (total <= 0.0) return partials;
  // Each partial's phase grows with the power of the partials below it, so the wave's energy
  // is spread evenly over the period instead of bunched into one spike.
  for (std::size_t n = 0; n < partials.size(); ++n) {
    double phase = 0.0;
    for (std::size_t l = 0; l < n; ++l) {
      phase -= static_cast<double>(n - l) * partials[l].amplitude * partials[l].amplitude / total;
    }
    partials[n].phase = phase - std::floor(phase);
  }
  return partials;
}

double HarmonicVoice::bandGain(double hz) const {
  // Full level up to 60 % of the limit, then a half-cosine down to nothing.
  const double start = 0.6 * bandLimit_;
  if (hz <= start) return 1.0;
  if (hz >= bandLimit_) return 0.0;
  const double u = (hz - start) / (bandLimit_ - start);
  return 0.5 + 0.5 * std::cos(std::numbers::pi * u);
}

Signal HarmonicVoice::render(const PitchContour& pitch, const Envelope& envelope) const {
  const std::size_t count = samplesFor(envelope.length());
  Signal out(count, 0.0);
  std::vector<double> phase;  // in cycles
  for (const Partial& p : partials_) phase.push_back(p.phase);
  std::vector<double> gain(partials_.size(), 0.0);
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  for (std::size_t i = 0; i < count; ++i) {
    const double t = timeOf(i);
    const double f = pitch.frequencyAt(t);
    if (i % kControlPeriod == 0) {
      for (std::size_t k = 0; k < partials_.size(); ++k) {
        const Partial& p = partials_[k];
        const double hz = p.ratio * f;
        double g = p.amplitude * std::exp(-p.decayPerSecond * t) * bandGain(hz);
        if (shape_ && g != 0.0) g *= shape_(hz, t);
        gain[k] = g;
      }
    }
    double sum = 0.0;
    for (std::size_t k = 0; k < partials_.size(); ++k) {
      if (gain[k] != 0.0) sum += gain[k] * std::sin(kTwoPi * phase[k]);
      phase[k] += partials_[k].ratio * f / kSampleRate;
      phase[k] -= std::floor(phase[k]);
    }
    out[i] = sum * envelope.at(t);
  }
  return out;
}

}  // namespace wavesynth

#pragma once

#include <functional>
#include <vector>

#include "tools/wavesynth/Envelope.h"
#include "tools/wavesynth/PitchContour.h"
#include "tools/wavesynth/Signal.h"

namespace wavesynth {

// One partial of an additive voice, relative to the voice's instantaneous frequency.
struct Partial {
  double ratio;
  double amplitude;
  double decayPerSecond = 0.0;
  double phase = 0.0;  // at the start, in cycles
};

// Additive oscillator bank. Building the tone from sines keeps it free of aliasing: every
// partial fades out below the band limit, which is set from the fastest speed at which the
// program will play the sample.
class HarmonicVoice {
 public:
  // Gain of a partial at a frequency and a moment: formants, brightness that follows the
  // loudness, and so on.
  using SpectralShape = std::function<double(double hz, double seconds)>;

  HarmonicVoice(std::vector<Partial> partials, double bandLimitHz);

  HarmonicVoice& shape(SpectralShape shape);

  Signal render(const PitchContour& pitch, const Envelope& envelope) const;

  // Partials n = 1..count at integer ratios, with amplitudes and decays given per number.
  static std::vector<Partial> series(int count, const std::function<double(int)>& amplitude,
                                     const std::function<double(int)>& decay = nullptr);
  // Partials n = 1..count falling as 1 / n^exponent: the steeper, the darker.
  static std::vector<Partial> slope(int count, double exponent);
  // Schroeder's phases: the partials no longer peak together, so a buzzy tone keeps its
  // colour with a far lower crest, and its level can follow its loudness.
  static std::vector<Partial> spreadPhases(std::vector<Partial> partials);

 private:
  double bandGain(double hz) const;

  std::vector<Partial> partials_;
  double bandLimit_;
  SpectralShape shape_;
};

}  // namespace wavesynth

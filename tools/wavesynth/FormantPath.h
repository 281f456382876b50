#pragma once

#include <vector>

namespace wavesynth {

struct Resonance {
  double hz;
  double bandwidth;
  double gain;
};

// A vocal-tract-like spectral envelope that may move from one vowel to the next over time.
// It is a gain per frequency, applied to the partials of an additive voice, so that moving
// formants never disturb the pitch.
class FormantPath {
 public:
  struct Vowel {
    double seconds;
    std::vector<Resonance> resonances;  // every vowel of a path has the same count
  };

  // `floor` keeps partials away from the resonances audible, the fundamental among them.
  FormantPath(std::vector<Vowel> vowels, double floor);

  double gain(double hz, double seconds) const;

 private:
  std::vector<Vowel> vowels_;
  double floor_;
};

}  // namespace wavesynth

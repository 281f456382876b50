#pragma once

#include <cstdint>
#include <vector>

#include "tools/wavesynth/Signal.h"

namespace wavesynth {

// The last steps every sound goes through: edges faded to exact silence, DC removed,
// level set, and quantisation to 16 bits.
class Mastering {
 public:
  // Every sound peaks at the same level.
  static Mastering toPeak(double peakDbfs);
  // Every sound's loudest stretch (kLoudnessWindow) has the same RMS level, so that notes of
  // different sounds play equally loud; a sound that would peak above the ceiling is held
  // down to it.
  static Mastering toLoudness(double rmsDbfs, double ceilingDbfs);

  static constexpr double kLoudnessWindow = 0.1;  // seconds

  std::vector<std::int16_t> finish(Signal signal) const;

 private:
  Mastering(double rms, double peak) : rms_(rms), peak_(peak) {}

  double rms_;  // 0 when only the peak is set
  double peak_;
};

}  // namespace wavesynth

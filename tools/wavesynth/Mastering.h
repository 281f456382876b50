#pragma once

#include <cstdint>
#include <vector>

#include "tools/wavesynth/Signal.h"

namespace wavesynth {

// The last steps every sound goes through: edges faded to exact silence, DC removed,
// level set to a common peak, and quantisation to 16 bits.
class Mastering {
 public:
  explicit Mastering(double peakDbfs);

  std::vector<std::int16_t> finish(Signal signal) const;

 private:
  double peak_;
};

}  // namespace wavesynth

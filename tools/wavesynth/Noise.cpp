#include "tools/wavesynth/Noise.h"

namespace wavesynth {

Noise::Noise(std::uint64_t seed) : state_(seed == 0 ? 0x9E3779B97F4A7C15ULL : seed) {}

double Noise::next() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  const std::uint64_t mixed = state_ * 0x2545F4914F6CDD1DULL;
  // The top 53 bits give a double in [0, 1) exactly.
  const double unit = static_cast<double>(mixed >> 11) * 0x1.0p-53;
  return 2.0 * unit - 1.0;
}

}  // namespace wavesynth

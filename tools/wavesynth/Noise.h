#pragma once

#include <cstdint>

namespace wavesynth {

// Seeded white noise (xorshift64*), so that every build writes the same bytes.
class Noise {
 public:
  explicit Noise(std::uint64_t seed);

  // Uniform in [-1, 1).
  double next();

 private:
  std::uint64_t state_;
};

}  // namespace wavesynth

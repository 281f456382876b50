#pragma once

#include <cstddef>
#include <vector>

namespace wavesynth {

// Every sound is built at one rate in double precision and quantised once at the end.
inline constexpr double kSampleRate = 44100.0;

using Signal = std::vector<double>;

inline std::size_t samplesFor(double seconds) {
  return static_cast<std::size_t>(seconds * kSampleRate + 0.5);
}

inline double timeOf(std::size_t index) { return static_cast<double>(index) / kSampleRate; }

}  // namespace wavesynth

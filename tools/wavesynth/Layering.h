#pragma once

#include <cstdint>

#include "tools/wavesynth/Biquad.h"
#include "tools/wavesynth/Envelope.h"
#include "tools/wavesynth/Signal.h"

namespace wavesynth {

// Helpers that stack layers (a breath, a hammer, a second voice) onto a sound.
class Layering {
 public:
  // Adds `from` times `gain` into `into` from `offsetSeconds` on, growing `into` if needed.
  static void add(Signal& into, const Signal& from, double gain, double offsetSeconds = 0.0);
  // Seeded noise through a filter, shaped by an envelope.
  static Signal noise(std::uint64_t seed, Biquad filter, const Envelope& envelope);
};

}  // namespace wavesynth

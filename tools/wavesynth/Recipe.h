#pragma once

#include "tools/wavesynth/Signal.h"

namespace wavesynth {

// What a recipe is asked for: the pitch it sounds at its native rate, and the frequency
// that no partial may reach because the program plays the sample faster.
struct Voicing {
  double hz;
  double bandLimit;
};

using Recipe = Signal (*)(const Voicing&);

}  // namespace wavesynth

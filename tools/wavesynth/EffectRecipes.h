#pragma once

#include "tools/wavesynth/Recipe.h"

namespace wavesynth {

// Short sounds of the tools and effects; their pitch is their own, so `Voicing::hz` is
// unused and only the band limit applies.
class EffectRecipes {
 public:
  static Signal sparkle(const Voicing& v);  // the end marker
  static Signal coin(const Voicing& v);
  static Signal whoosh(const Voicing& v);
  static Signal tick(const Voicing& v);
  static Signal rub(const Voicing& v);  // the eraser
};

}  // namespace wavesynth

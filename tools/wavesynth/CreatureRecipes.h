#pragma once

#include "tools/wavesynth/Recipe.h"

namespace wavesynth {

// Note sounds modelled on voices. A voice moves in pitch and vowel, but each glide settles
// on `Voicing::hz` early, so the held part of the sound is in tune.
class CreatureRecipes {
 public:
  static Signal chirp(const Voicing& v);  // the small creature
  static Signal bark(const Voicing& v);   // the dog
  static Signal meow(const Voicing& v);   // the cat
  static Signal grunt(const Voicing& v);  // the pig
  static Signal honk(const Voicing& v);   // the goose
  static Signal coo(const Voicing& v);    // the baby
};

}  // namespace wavesynth

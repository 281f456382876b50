#pragma once

#include "tools/wavesynth/Recipe.h"

namespace wavesynth {

// Note sounds modelled on instruments and machines. Each sounds `Voicing::hz` as its
// fundamental, which carries clear energy of its own.
class InstrumentRecipes {
 public:
  static Signal brightPiano(const Voicing& v);   // the face
  static Signal softBell(const Voicing& v);      // the mushroom
  static Signal glockenspiel(const Voicing& v);  // the star
  static Signal reed(const Voicing& v);          // the flower
  static Signal chipPulse(const Voicing& v);     // the handheld game
  static Signal engine(const Voicing& v);        // the aeroplane
  static Signal lowHorn(const Voicing& v);       // the boat
  static Signal brassHorn(const Voicing& v);     // the car
  static Signal softPluck(const Voicing& v);     // the heart
};

}  // namespace wavesynth

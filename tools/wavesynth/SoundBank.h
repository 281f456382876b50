#pragma once

#include <string_view>

#include "tools/wavesynth/Recipe.h"

namespace wavesynth {

// Which recipe makes sample n (1..29), at which pitch, and how fast the program may play it.
class SoundBank {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 29;

  struct Entry {
    Recipe recipe;
    double hz;
    // Fastest ratio of the sample's rate at which the program plays it.
    double fastestRatio;
    std::string_view name;
  };

  static const Entry& entry(int number);  // throws std::out_of_range outside 1..29
  static Signal render(int number);
};

}  // namespace wavesynth

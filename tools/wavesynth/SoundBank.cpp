#include "tools/wavesynth/SoundBank.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "tools/wavesynth/CreatureRecipes.h"
#include "tools/wavesynth/EffectRecipes.h"
#include "tools/wavesynth/InstrumentRecipes.h"

namespace wavesynth {

namespace {
// Equal temperament from A4 = 440 Hz.
const double kF4 = 440.0 * std::exp2(-4.0 / 12.0);
const double kE5 = 440.0 * std::exp2(7.0 / 12.0);

// Playback mixes at 23160 Hz; a partial must stay below that Nyquist frequency after the
// sample is sped up, with a margin for the resampler.
constexpr double kOutputNyquist = 23160.0 / 2.0;
constexpr double kMargin = 0.9;

// Fastest row ratios: a sound without an alternate plays up to row 1; a sound with one
// only down from row 6 (row 8 for the boat); the alternates up to the top row's 1.189.
constexpr double kAllRows = 2.245;
constexpr double kBelowAlternate = 1.414;
constexpr double kBoatBelowAlternate = 1.123;
constexpr double kAlternate = 1.189;
constexpr double kNative = 1.0;

using I = InstrumentRecipes;
using C = CreatureRecipes;
using E = EffectRecipes;

const std::array<SoundBank::Entry, 29> kEntries{{
    {&I::brightPiano, kF4, kBelowAlternate, "face: bright piano"},
    {&I::softBell, kF4, kBelowAlternate, "mushroom: soft bell"},
    {&C::chirp, kF4, kAllRows, "small creature: chirp"},
    {&I::glockenspiel, kF4, kBelowAlternate, "star: glockenspiel"},
    {&I::reed, kF4, kBelowAlternate, "flower: reed"},
    {&I::chipPulse, kF4, kBelowAlternate, "game: chip pulse"},
    {&C::bark, kF4, kAllRows, "dog: bark"},
    {&C::meow, kF4, kAllRows, "cat: meow"},
    {&C::grunt, kF4, kAllRows, "pig: grunt"},
    {&C::honk, kF4, kAllRows, "goose: honk"},
    {&C::coo, kF4, kAllRows, "baby: coo"},
    {&I::engine, kF4, kBelowAlternate, "aeroplane: engine"},
    {&I::lowHorn, kF4, kBoatBelowAlternate, "boat: low horn"},
    {&I::brassHorn, kF4, kBelowAlternate, "car: brass horn"},
    {&I::softPluck, kF4, kBelowAlternate, "heart: soft pluck"},
    {&E::sparkle, 0.0, kNative, "end marker: sparkle"},
    {&E::coin, 0.0, kNative, "coin"},
    {&E::whoosh, 0.0, kNative, "whoosh"},
    {&E::tick, 0.0, kNative, "drum tick"},
    {&E::rub, 0.0, kNative, "eraser: rub"},
    {&I::brightPiano, kE5, kAlternate, "face: bright piano, high"},
    {&I::glockenspiel, kE5, kAlternate, "star: glockenspiel, high"},
    {&I::reed, kE5, kAlternate, "flower: reed, high"},
    {&I::chipPulse, kE5, kAlternate, "game: chip pulse, high"},
    {&I::engine, kE5, kAlternate, "aeroplane: engine, high"},
    {&I::brassHorn, kE5, kAlternate, "car: brass horn, high"},
    {&I::softPluck, kE5, kAlternate, "heart: soft pluck, high"},
    {&I::softBell, kE5, kAlternate, "mushroom: soft bell, high"},
    {&I::lowHorn, kE5, kAlternate, "boat: low horn, high"},
}};
}  // namespace

const SoundBank::Entry& SoundBank::entry(int number) {
  if (number < kFirst || number > kLast) throw std::out_of_range("no sound of that number");
  return kEntries[static_cast<std::size_t>(number - kFirst)];
}

Signal SoundBank::render(int number) {
  const Entry& e = entry(number);
  return e.recipe({e.hz, kMargin * kOutputNyquist / e.fastestRatio});
}

}  // namespace wavesynth

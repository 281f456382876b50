#include "tools/wavesynth/EffectRecipes.h"

#include <cmath>
#include <numbers>

#include "tools/wavesynth/HarmonicVoice.h"
#include "tools/wavesynth/Layering.h"
#include "tools/wavesynth/Noise.h"

namespace wavesynth {

Signal EffectRecipes::sparkle(const Voicing& v) {
  // A rising C major arpeggio of glassy pings, close enough to blur into one glint.
  const std::vector<Partial> partials{{1.0, 1.0}, {2.0, 0.15}, {3.0, 0.05}};
  const Envelope ping(Adsr(0.001, 0.05, 0.0, 0.03), 0.2);
  const double notes[] = {2093.0, 2637.0, 3136.0};
  Signal sound;
  for (int i = 0; i < 3; ++i) {
    Layering::add(sound, HarmonicVoice(partials, v.bandLimit).render(PitchContour(notes[i]), ping),
                  1.0 - 0.2 * i, 0.04 * i);
  }
  return sound;
}

Signal EffectRecipes::coin(const Voicing& v) {
  // Two square-ish tones a fourth apart, the second ringing out.
  const auto partials = HarmonicVoice::series(15, [](int n) { return n % 2 == 1 ? 1.0 / n : 0.0; });
  const auto soften = [](double hz, double) { return 1.0 / (1.0 + (hz / 5000.0) * (hz / 5000.0)); };
  const Envelope first(Adsr(0.002, 1.0, 1.0, 0.01), 0.08);
  const Envelope second(Adsr(0.002, 0.15, 0.0, 0.05), 0.43);
  Signal sound =
      HarmonicVoice(partials, v.bandLimit).shape(soften).render(PitchContour(987.77), first);
  Layering::add(
      sound,
      HarmonicVoice(partials, v.bandLimit).shape(soften).render(PitchContour(1318.51), second), 1.0,
      0.07);
  return sound;
}

Signal EffectRecipes::whoosh(const Voicing&) {
  // Noise through a band-pass that sweeps up and back down while the level swells.
  constexpr double kLength = 0.7;
  Noise noise(118);
  Biquad band(Biquad::Kind::BandPass, 300, 1.5);
  Signal sound(samplesFor(kLength));
  for (std::size_t i = 0; i < sound.size(); ++i) {
    const double u = timeOf(i) / kLength;
    const double arch = std::sin(std::numbers::pi * u);
    if (i % 16 == 0) band.tune(300.0 * std::pow(8.0, arch), 1.5);
    sound[i] = band.process(noise.next()) * arch * arch;
  }
  return sound;
}

Signal EffectRecipes::tick(const Voicing& v) {
  // A woodblock: a few bar modes that drop a little in pitch, and a click on top.
  const std::vector<Partial> partials{{1.0, 1.0}, {2.71, 0.5}, {5.2, 0.2}};
  const Envelope body(Adsr(0.0015, 0.025, 0.0, 0.05), 0.25);
  const auto pitch = PitchContour(1400.0).glide({{0.0, 3.0}, {0.012, 0.0}});
  Signal sound = HarmonicVoice(partials, v.bandLimit).render(pitch, body);
  const Envelope click(Adsr(0.001, 0.003, 0.0, 0.005), 0.02);
  Layering::add(sound, Layering::noise(119, Biquad(Biquad::Kind::HighPass, 3000, 0.7), click), 0.5);
  return sound;
}

Signal EffectRecipes::rub(const Voicing&) {
  // Two strokes of an eraser, forth and back: soft band-limited noise bumps.
  const Envelope stroke(Adsr(0.06, 0.05, 0.0, 0.03), 0.14);
  Signal sound = Layering::noise(120, Biquad(Biquad::Kind::BandPass, 2200, 0.9), stroke);
  Layering::add(sound, Layering::noise(121, Biquad(Biquad::Kind::BandPass, 1800, 0.9), stroke), 0.8,
                0.15);
  sound.resize(samplesFor(0.32), 0.0);
  // Two poles more keep the hiss from reaching the fold-over of the 23160 Hz output.
  Biquad smooth(Biquad::Kind::LowPass, 4500, 0.7);
  Biquad smoother(Biquad::Kind::LowPass, 4500, 0.7);
  for (double& x : sound) x = smoother.process(smooth.process(x));
  return sound;
}

}  // namespace wavesynth

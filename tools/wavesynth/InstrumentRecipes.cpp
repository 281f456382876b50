#include "tools/wavesynth/InstrumentRecipes.h"

#include <cmath>
#include <numbers>

#include "tools/wavesynth/FormantPath.h"
#include "tools/wavesynth/HarmonicVoice.h"
#include "tools/wavesynth/Layering.h"

namespace wavesynth {

namespace {
using std::numbers::pi;

double power(int n, double exponent) { return std::pow(static_cast<double>(n), exponent); }

// Two quieter voices a shade above and below the main one beat slowly, like the strings of
// a piano or the reeds of an organ; being symmetric and quieter, they neither move the pitch
// nor ever cancel the fundamental.
Signal chorus(const HarmonicVoice& voice, const PitchContour& pitch, const Envelope& env,
              double spread) {
  Signal sound = voice.render(pitch, env);
  Layering::add(sound, voice.render(PitchContour(pitch).detune(1.0 + spread), env), 0.25);
  Layering::add(sound, voice.render(PitchContour(pitch).detune(1.0 - spread), env), 0.25);
  return sound;
}
}  // namespace

Signal InstrumentRecipes::brightPiano(const Voicing& v) {
  // Stiff-string partials, sharpened with their number; the scale keeps partial 1 on the note.
  constexpr double kStiffness = 0.00012;
  const double scale = std::sqrt(1.0 + kStiffness);
  std::vector<Partial> partials;
  for (int n = 1; n <= 18; ++n) {
    const double ratio = n * std::sqrt(1.0 + kStiffness * n * n) / scale;
    // The hammer strikes near 1/7.5 of the string and damps the partials around the 7th.
    const double strike = 0.4 + 0.6 * std::abs(std::sin(pi * n / 7.5));
    const double amplitude = n == 1 ? 1.0 : strike / power(n, 1.1);
    partials.push_back({ratio, amplitude, 0.9 + 0.35 * power(n, 1.4)});
  }
  const Envelope env(Adsr(0.003, 0.3, 0.6, 0.2).fading(0.8), 1.5);
  Signal sound = chorus(HarmonicVoice(partials, v.bandLimit), PitchContour(v.hz), env, 0.0005);
  const Envelope thump(Adsr(0.001, 0.012, 0.0, 0.01), 0.06);
  Layering::add(sound, Layering::noise(101, Biquad(Biquad::Kind::LowPass, 2500, 0.7), thump), 0.5);
  return sound;
}

Signal InstrumentRecipes::softBell(const Voicing& v) {
  // A struck bowl: a strong prime, soft octave and twelfth, and a few stretched partials.
  const std::vector<Partial> partials{{1.0, 1.0, 1.3},  {2.0, 0.22, 2.2},  {3.0, 0.1, 3.5},
                                      {4.2, 0.08, 5.0}, {5.43, 0.04, 8.0}, {6.8, 0.02, 11.0}};
  const Envelope env(Adsr(0.006, 0.5, 0.7, 0.25).fading(0.3), 1.8);
  return chorus(HarmonicVoice(partials, v.bandLimit), PitchContour(v.hz), env, 0.0006);
}

Signal InstrumentRecipes::glockenspiel(const Voicing& v) {
  // A bar tuned as makers tune them: its overtones two octaves and a little over three
  // above the note, so that they ring in tune with it; the free bar's untuned modes only
  // flash in the strike.
  const std::vector<Partial> partials{{1.0, 1.0, 2.0},
                                      {4.0, 0.25, 6.0},
                                      {10.0, 0.08, 20.0},
                                      {2.76, 0.4, 150.0},
                                      {5.40, 0.18, 180.0}};
  const Envelope env(Adsr(0.0015, 1.0, 1.0, 0.25), 1.4);
  Signal sound = HarmonicVoice(partials, v.bandLimit).render(PitchContour(v.hz), env);
  const Envelope strike(Adsr(0.0005, 0.005, 0.0, 0.005), 0.03);
  Layering::add(
      sound, Layering::noise(102, Biquad(Biquad::Kind::BandPass, 0.4 * v.bandLimit, 1.0), strike),
      0.3);
  return sound;
}

Signal InstrumentRecipes::reed(const Voicing& v) {
  // Odd partials lead, as in a clarinet; two soft formants add the reed's nasal colour.
  const auto partials = HarmonicVoice::series(24, [](int n) {
    if (n == 1) return 1.0;
    return (n % 2 == 1 ? 0.7 : 0.35) / power(n, 0.6);
  });
  const FormantPath colour({{0.0, {{1100, 700, 1.0}, {2700, 1000, 0.5}}}}, 0.35);
  const Envelope env(Adsr(0.03, 0.12, 0.85, 0.12), 1.1);
  const auto pitch = PitchContour(v.hz).vibrato(0.0018, 5.2, 0.25, 0.2);
  Signal sound = HarmonicVoice(partials, v.bandLimit)
                     .shape([colour](double hz, double t) { return colour.gain(hz, t); })
                     .render(pitch, env);
  Layering::add(sound, Layering::noise(103, Biquad(Biquad::Kind::LowPass, 1800, 1.0), env), 0.05);
  return sound;
}

Signal InstrumentRecipes::chipPulse(const Voicing& v) {
  // The harmonics of a quarter-duty pulse, the thinner voice of the old consoles, up to
  // the band limit, with a chip vibrato.
  const auto partials =
      HarmonicVoice::series(41, [](int n) { return std::abs(std::sin(pi * n * 0.25)) / n; });
  const Envelope env(Adsr(0.002, 0.25, 0.55, 0.05), 0.6);
  const auto pitch = PitchContour(v.hz).vibrato(0.002, 6.0, 0.2, 0.1);
  return HarmonicVoice(partials, v.bandLimit).render(pitch, env);
}

Signal InstrumentRecipes::engine(const Voicing& v) {
  // A sawtooth buzz with a propeller's flutter and a rumble underneath.
  const auto partials = HarmonicVoice::series(30, [](int n) { return 1.0 / n; });
  const Envelope env(Adsr(0.04, 0.2, 0.85, 0.2).tremolo(0.2, 17.0), 1.1);
  const auto pitch = PitchContour(v.hz).vibrato(0.001, 2.5, 0.15, 0.2);
  Signal sound =
      HarmonicVoice(partials, v.bandLimit)
          .shape([](double hz, double) {
            const double body = (hz - 1200.0) / 300.0;
            return (1.0 + 0.6 / (1.0 + body * body)) / (1.0 + (hz / 2200.0) * (hz / 2200.0));
          })
          .render(pitch, env);
  Layering::add(sound, Layering::noise(112, Biquad(Biquad::Kind::LowPass, 500, 0.7), env), 0.12);
  return sound;
}

Signal InstrumentRecipes::lowHorn(const Voicing& v) {
  // A dark, round horn: few partials, a soft scoop into the note, a swell.
  const auto partials = HarmonicVoice::slope(12, 1.3);
  const Envelope env(Adsr(0.045, 0.3, 0.85, 0.3), 1.5);
  const auto pitch = PitchContour(v.hz).scoop(-0.8);
  const HarmonicVoice voice = HarmonicVoice(partials, v.bandLimit).shape([](double hz, double) {
    return 1.0 / (1.0 + (hz / 1100.0) * (hz / 1100.0));
  });
  Signal sound = chorus(voice, pitch, env, 0.0012);
  Layering::add(sound, Layering::noise(113, Biquad(Biquad::Kind::LowPass, 700, 0.7), env), 0.06);
  return sound;
}

Signal InstrumentRecipes::brassHorn(const Voicing& v) {
  // Brass brightens as it gets louder: the cut-off rises with the attack, then settles.
  const auto partials = HarmonicVoice::slope(20, 0.7);
  const Envelope env(Adsr(0.025, 0.15, 0.8, 0.12), 0.85);
  const auto pitch = PitchContour(v.hz).scoop(-1.2);
  return HarmonicVoice(partials, v.bandLimit)
      .shape([](double hz, double t) {
        const double bright =
            700.0 + 2200.0 * (1.0 - std::exp(-t / 0.03)) - 500.0 * (1.0 - std::exp(-t / 0.2));
        return std::exp(-hz / bright);
      })
      .render(pitch, env);
}

Signal InstrumentRecipes::softPluck(const Voicing& v) {
  // A string plucked at a fifth of its length, upper partials fading first.
  const auto partials = HarmonicVoice::series(
      16, [](int n) { return std::abs(std::sin(pi * n * 0.2)) / power(n, 1.5); },
      [](int n) { return 2.2 + 0.9 * power(n, 1.5); });
  const Envelope env(Adsr(0.003, 10.0, 1.0, 0.15), 1.0);
  return HarmonicVoice(partials, v.bandLimit)
      .shape([](double hz, double) { return 1.0 / (1.0 + (hz / 3000.0) * (hz / 3000.0)); })
      .render(PitchContour(v.hz), env);
}

}  // namespace wavesynth

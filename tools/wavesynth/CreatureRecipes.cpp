#include "tools/wavesynth/CreatureRecipes.h"

#include <cmath>
#include <utility>

#include "tools/wavesynth/FormantPath.h"
#include "tools/wavesynth/HarmonicVoice.h"
#include "tools/wavesynth/Layering.h"

namespace wavesynth {

namespace {
double power(int n, double exponent) { return std::pow(static_cast<double>(n), exponent); }

HarmonicVoice::SpectralShape through(FormantPath path) {
  return [path = std::move(path)](double hz, double t) { return path.gain(hz, t); };
}

// Breath under a voice: low-passed noise that follows the voice's envelope.
struct Breath {
  unsigned seed;
  double cutoff;
  double q;
  double level;
};

// A voice sung through a moving mouth, with a little breath under it.
Signal breathyVoice(const Voicing& v, const std::vector<Partial>& partials, FormantPath mouth,
                    const PitchContour& pitch, const Envelope& env, const Breath& breath) {
  Signal sound =
      HarmonicVoice(partials, v.bandLimit).shape(through(std::move(mouth))).render(pitch, env);
  Layering::add(
      sound,
      Layering::noise(breath.seed, Biquad(Biquad::Kind::LowPass, breath.cutoff, breath.q), env),
      breath.level);
  return sound;
}
}  // namespace

Signal CreatureRecipes::chirp(const Voicing& v) {
  // A quick upward sweep into a warbled, nearly pure whistle.
  const std::vector<Partial> partials{
      {1.0, 1.0}, {2.0, 0.25}, {3.0, 0.08}, {4.0, 0.03}, {5.0, 0.01}};
  const Envelope env(Adsr(0.01, 0.25, 0.5, 0.08).fading(2.0).tremolo(0.2, 14.0), 0.5);
  const auto pitch = PitchContour(v.hz).scoop(-9.0).vibrato(0.002, 9.0, 0.12, 0.05);
  return HarmonicVoice(partials, v.bandLimit).render(pitch, env);
}

Signal CreatureRecipes::bark(const Voicing& v) {
  // A short "ruff": a throaty buzz that drops onto the note, with a burst of breath.
  const auto partials = HarmonicVoice::slope(14, 0.9);
  FormantPath mouth({{0.0, {{500, 300, 1.2}, {1200, 400, 0.8}, {2500, 600, 0.3}}},
                     {0.2, {{650, 300, 1.0}, {1100, 400, 0.6}, {2400, 600, 0.2}}}},
                    0.4);
  const Envelope env(Adsr(0.008, 0.12, 0.4, 0.06).fading(3.0).tremolo(0.2, 32.0), 0.35);
  const auto pitch =
      PitchContour(v.hz).glide({{0.0, 4.0}, {kLongestScoop / 2.0, 2.0}, {kLongestScoop, 0.0}});
  Signal sound =
      HarmonicVoice(partials, v.bandLimit).shape(through(std::move(mouth))).render(pitch, env);
  const Envelope breath(Adsr(0.002, 0.04, 0.0, 0.02), 0.12);
  Layering::add(sound, Layering::noise(107, Biquad(Biquad::Kind::LowPass, 1100, 1.5), breath),
                0.35);
  return sound;
}

Signal CreatureRecipes::meow(const Voicing& v) {
  // "Mi-a-ow": a quick scoop onto the note, then the mouth opens wide and closes again, and
  // the vowel carries the call. A strong first partial keeps the note under the formants.
  const auto partials =
      HarmonicVoice::series(14, [](int n) { return n == 1 ? 2.5 : 1.0 / power(n, 0.8); });
  FormantPath mouth({{0.0, {{300, 150, 1.0}, {2300, 400, 0.9}, {3100, 500, 0.3}}},
                     {0.15, {{850, 250, 1.4}, {1400, 300, 1.0}, {2700, 500, 0.3}}},
                     {0.4, {{800, 250, 1.3}, {1300, 300, 0.9}, {2600, 500, 0.2}}},
                     {0.75, {{400, 200, 1.0}, {800, 250, 0.5}, {2400, 500, 0.1}}}},
                    0.06);
  const Envelope env(Adsr(0.04, 0.3, 0.75, 0.22), 0.95);
  const auto pitch = PitchContour(v.hz).scoop(-4.0).vibrato(0.002, 5.0, 0.45, 0.15);
  return breathyVoice(v, partials, std::move(mouth), pitch, env, {108, 3000, 1.0, 0.03});
}

Signal CreatureRecipes::grunt(const Voicing& v) {
  // A nasal "oink": a murmur formant at the fundamental, a notch above it, and a rough growl.
  const auto partials = HarmonicVoice::slope(16, 0.6);
  FormantPath nose({{0.0, {{300, 150, 1.0}, {1000, 200, 0.9}, {2300, 300, 0.4}}}}, 0.25);
  const Envelope env(Adsr(0.015, 0.12, 0.5, 0.08).fading(2.0).tremolo(0.35, 28.0), 0.45);
  const auto pitch = PitchContour(v.hz).scoop(2.0);
  Signal sound = HarmonicVoice(partials, v.bandLimit)
                     .shape([nose = std::move(nose)](double hz, double t) {
                       const double notch = (hz - 700.0) / 100.0;
                       return nose.gain(hz, t) * (1.0 - 0.7 / (1.0 + notch * notch));
                     })
                     .render(pitch, env);
  const Envelope snort(Adsr(0.005, 0.06, 0.0, 0.03), 0.2);
  Layering::add(sound, Layering::noise(109, Biquad(Biquad::Kind::LowPass, 1200, 0.7), snort), 0.25);
  return sound;
}

Signal CreatureRecipes::honk(const Voicing& v) {
  // A bright, raspy "aah-nk" with a little scoop.
  const auto partials = HarmonicVoice::spreadPhases(HarmonicVoice::slope(16, 0.5));
  FormantPath beak({{0.0, {{1000, 350, 1.0}, {2400, 500, 0.6}}}}, 0.5);
  const Envelope env(Adsr(0.012, 0.1, 0.7, 0.1).tremolo(0.12, 22.0), 0.55);
  const auto pitch = PitchContour(v.hz).scoop(-2.0);
  return breathyVoice(v, partials, std::move(beak), pitch, env, {110, 2200, 1.2, 0.04});
}

Signal CreatureRecipes::coo(const Voicing& v) {
  // A soft "ooh-ah": almost a sine, a quick rise onto the note, the mouth opening slowly
  // and a slow vibrato.
  const auto partials =
      HarmonicVoice::series(8, [](int n) { return n == 1 ? 1.0 : 0.45 / power(n - 1, 1.2); });
  FormantPath mouth(
      {{0.0, {{300, 150, 1.0}, {750, 200, 0.3}}}, {0.35, {{650, 200, 1.2}, {1100, 250, 0.6}}}},
      0.35);
  const Envelope env(Adsr(0.035, 0.3, 0.8, 0.25), 1.0);
  const auto pitch = PitchContour(v.hz).scoop(-3.0).vibrato(0.002, 5.5, 0.35, 0.2);
  return breathyVoice(v, partials, std::move(mouth), pitch, env, {111, 3000, 0.7, 0.02});
}

}  // namespace wavesynth

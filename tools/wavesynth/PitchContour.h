#pragma once

#include <vector>

namespace wavesynth {

// Longest scoop into a note. At the slowest row a sample plays at 0.667 of its speed, which
// stretches this to 36 ms; by 40 ms after its start a note must be its row's pitch, even in
// the 84 ms a column lasts at the fastest tempo.
inline constexpr double kLongestScoop = 0.024;  // seconds

// The instantaneous frequency of a voice: a target pitch, an optional glide that settles
// on it, and an optional vibrato. The glide ends exactly on the target and the vibrato is
// symmetric in linear frequency, so the sustained part averages to the target.
class PitchContour {
 public:
  struct GlidePoint {
    double seconds;
    double semitones;  // offset from the target
  };

  explicit PitchContour(double hz);

  // Offsets joined by half-cosine segments; after the last point the offset is zero.
  PitchContour& glide(std::vector<GlidePoint> points);
  // A scoop from `semitones` off onto the target, as long as a scoop may last.
  PitchContour& scoop(double semitones) { return glide({{0.0, semitones}, {kLongestScoop, 0.0}}); }
  PitchContour& vibrato(double depth, double rateHz, double onsetSeconds, double fadeSeconds);
  // Scales the whole contour, e.g. for a chorus voice a shade above or below.
  PitchContour& detune(double ratio);

  double hz() const { return hz_; }
  double frequencyAt(double seconds) const;

 private:
  double glideSemitonesAt(double seconds) const;

  double hz_;
  std::vector<GlidePoint> glide_;
  double vibratoDepth_ = 0.0;
  double vibratoRate_ = 0.0;
  double vibratoOnset_ = 0.0;
  double vibratoFade_ = 0.0;
};

}  // namespace wavesynth

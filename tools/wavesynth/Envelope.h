#pragma once

namespace wavesynth {

// Amplitude over a sound's whole length: a raised-cosine attack, an exponential fall to a
// sustain level that may itself decay, an optional tremolo, and a release that reaches
// exactly zero at the end so that no sound ends in a click.
struct EnvelopeShape {
  double attack = 0.005;      // seconds
  double decay = 0.1;         // time constant of the fall to the sustain level
  double sustain = 1.0;       // level the fall approaches
  double sustainDecay = 0.0;  // per second, applied to the whole level after the attack
  double release = 0.05;      // seconds before the end
  double tremoloDepth = 0.0;  // 0..1
  double tremoloRate = 0.0;   // Hz

  // The level falls by this much per second after the attack, sustain included.
  constexpr EnvelopeShape fading(double perSecond) const {
    EnvelopeShape shape = *this;
    shape.sustainDecay = perSecond;
    return shape;
  }
  constexpr EnvelopeShape tremolo(double depth, double rate) const {
    EnvelopeShape shape = *this;
    shape.tremoloDepth = depth;
    shape.tremoloRate = rate;
    return shape;
  }
};

// The usual four numbers: attack and release in seconds, the decay's time constant, and the
// sustain level.
constexpr EnvelopeShape Adsr(double attack, double decay, double sustain, double release) {
  return {.attack = attack, .decay = decay, .sustain = sustain, .release = release};
}

class Envelope {
 public:
  Envelope(const EnvelopeShape& shape, double lengthSeconds);

  double at(double seconds) const;
  double length() const { return length_; }

 private:
  EnvelopeShape shape_;
  double length_;
};

}  // namespace wavesynth

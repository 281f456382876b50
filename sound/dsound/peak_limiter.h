// A look-ahead peak limiter for the float stereo mix, so that notes started together never
// reach full scale.
//
// Each frame needs a gain that brings its louder channel down to the ceiling (1 below it).
// The limiter delays the sound by Delay() frames and applies the smallest gain any frame of
// that look-ahead needs, held and let back towards 1 slowly, then averaged over the
// look-ahead: the gain glides down before a peak arrives, is at most what the peak needs when
// it passes, and comes back up without pumping on the waveform. Below the ceiling the gain
// stays exactly 1 and the sound passes unchanged, only later. The same frames in give the
// same frames out, however they are split into blocks.
#pragma once

#include <cstdint>
#include <vector>

namespace dsound {

class PeakLimiter {
 public:
  // The highest level that leaves the limiter: 1 dB below full scale.
  static constexpr float kCeiling = 0.891f;
  static constexpr double kLookAheadSeconds = 0.0015;
  static constexpr double kReleaseSeconds = 0.08;

  explicit PeakLimiter(int32_t rate);

  // Limits frames of interleaved stereo in place; what comes out is Delay() frames behind
  // what went in (silence first).
  void Process(float* frames, uint32_t count);
  int32_t Delay() const { return lookAhead_; }

 private:
  float Next(float need);

  int32_t lookAhead_;
  double releaseStep_;  // how much of the way back to 1 the hold comes each frame
  // The look-ahead's sound, and the gains needed and held over it (rings of lookAhead_ + 1).
  std::vector<float> delayed_;
  std::vector<double> held_;
  std::vector<float> minimumRing_;  // sliding minimum: needed gains, ascending
  std::vector<int64_t> minimumAge_;
  std::size_t minimumFront_ = 0;
  std::size_t minimumCount_ = 0;
  std::size_t at_ = 0;
  int64_t frame_ = 0;
  double hold_ = 1.0;
  double heldSum_ = 0.0;
  std::size_t heldBelowOne_ = 0;
};

}  // namespace dsound

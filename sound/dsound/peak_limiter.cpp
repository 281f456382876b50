#include "sound/dsound/peak_limiter.h"

#include <algorithm>
#include <cmath>

namespace dsound {

PeakLimiter::PeakLimiter(int32_t rate)
    : lookAhead_(std::max(1, static_cast<int32_t>(std::lround(kLookAheadSeconds * rate)))),
      releaseStep_(-std::expm1(-1.0 / (kReleaseSeconds * rate))) {
  const auto window = static_cast<std::size_t>(lookAhead_) + 1;
  delayed_.assign(2 * static_cast<std::size_t>(lookAhead_), 0.0f);
  held_.assign(window, 1.0);
  minimumRing_.assign(window, 1.0f);
  minimumAge_.assign(window, 0);
  heldSum_ = static_cast<double>(window);
}

// The gain for the frame leaving now, given the gain the frame arriving now needs.
float PeakLimiter::Next(float need) {
  const auto window = static_cast<int64_t>(lookAhead_) + 1;
  const std::size_t size = minimumRing_.size();
  // The smallest need of the last `window` frames, kept as an ascending run.
  while (minimumCount_ > 0 && minimumRing_[(minimumFront_ + minimumCount_ - 1) % size] >= need)
    --minimumCount_;
  minimumRing_[(minimumFront_ + minimumCount_) % size] = need;
  minimumAge_[(minimumFront_ + minimumCount_) % size] = frame_;
  ++minimumCount_;
  while (minimumAge_[minimumFront_] <= frame_ - window) {
    minimumFront_ = (minimumFront_ + 1) % size;
    --minimumCount_;
  }
  const float minimum = minimumRing_[minimumFront_];
  ++frame_;

  // Down at once, back up slowly; close enough to 1 is 1, so that quiet sound passes as it is.
  double hold = hold_ + (1.0 - hold_) * releaseStep_;
  if (hold > 0.99999) hold = 1.0;
  hold_ = std::min(static_cast<double>(minimum), hold);

  const std::size_t slot = at_ % held_.size();
  if (held_[slot] < 1.0) --heldBelowOne_;
  if (hold_ < 1.0) ++heldBelowOne_;
  heldSum_ += hold_ - held_[slot];
  held_[slot] = hold_;
  if (heldBelowOne_ == 0) {
    // Quiet again: the sum is exact once it is recounted, and the sound passes as it is.
    heldSum_ = static_cast<double>(window);
    return 1.0f;
  }
  return static_cast<float>(heldSum_ / static_cast<double>(window));
}

void PeakLimiter::Process(float* frames, uint32_t count) {
  const auto delay = static_cast<std::size_t>(lookAhead_);
  for (uint32_t i = 0; i < count; ++i) {
    float* frame = frames + 2 * static_cast<std::size_t>(i);
    const float peak = std::max(std::fabs(frame[0]), std::fabs(frame[1]));
    const float gain = Next(peak > kCeiling ? kCeiling / peak : 1.0f);
    const std::size_t slot = 2 * (at_ % delay);
    const float left = delayed_[slot];
    const float right = delayed_[slot + 1];
    delayed_[slot] = frame[0];
    delayed_[slot + 1] = frame[1];
    ++at_;
    // The gain keeps the frame under the ceiling; the clamp only guards against rounding.
    frame[0] = std::clamp(left * gain, -kCeiling, kCeiling);
    frame[1] = std::clamp(right * gain, -kCeiling, kCeiling);
  }
}

}  // namespace dsound

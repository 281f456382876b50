#include "sound/stream/heard_clock.h"

#include <algorithm>

namespace stream {

namespace {
int64_t Nanos(HeardClock::Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}
}  // namespace

void HeardClock::Mark(int64_t pulled, int64_t waiting, Clock::time_point now) {
  const uint64_t s = sequence_.load(std::memory_order_relaxed);
  sequence_.store(s + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  pulled_.store(pulled, std::memory_order_relaxed);
  heardAtMark_.store(std::max<int64_t>(0, pulled - waiting), std::memory_order_relaxed);
  markNanos_.store(Nanos(now), std::memory_order_relaxed);
  sequence_.store(s + 2, std::memory_order_release);
}

HeardClock::TMark HeardClock::LastMark() const {
  TMark mark{};
  for (;;) {
    const uint64_t before = sequence_.load(std::memory_order_acquire);
    mark.Pulled = pulled_.load(std::memory_order_relaxed);
    mark.Heard = heardAtMark_.load(std::memory_order_relaxed);
    mark.Nanos = markNanos_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before) return mark;
  }
}

namespace {
// Whole frames elapsed; the product stays far from overflow for any gap under a year.
int64_t FramesSince(int64_t markNanos, HeardClock::Clock::time_point now, int32_t rate) {
  return std::max<int64_t>(0, Nanos(now) - markNanos) / 1000 * rate / 1000000;
}
}  // namespace

int64_t HeardClock::Heard(Clock::time_point now) const {
  const TMark mark = LastMark();
  const int64_t heard = std::min(mark.Pulled, mark.Heard + FramesSince(mark.Nanos, now, rate_));
  int64_t last = lastAnswer_.load(std::memory_order_relaxed);
  while (heard > last && !lastAnswer_.compare_exchange_weak(last, heard)) {
  }
  return std::max(heard, last);
}

int64_t HeardClock::AtPace(Clock::time_point now) const {
  const TMark mark = LastMark();
  return mark.Heard + FramesSince(mark.Nanos, now, rate_);
}

}  // namespace stream

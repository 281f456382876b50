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

int64_t HeardClock::Heard(Clock::time_point now) const {
  int64_t pulled = 0;
  int64_t heard = 0;
  int64_t markNanos = 0;
  for (;;) {
    const uint64_t before = sequence_.load(std::memory_order_acquire);
    pulled = pulled_.load(std::memory_order_relaxed);
    heard = heardAtMark_.load(std::memory_order_relaxed);
    markNanos = markNanos_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before) break;
  }
  const int64_t elapsed = std::max<int64_t>(0, Nanos(now) - markNanos);
  // Whole frames elapsed; the product stays far from overflow for any gap under a year.
  heard = std::min(pulled, heard + elapsed / 1000 * rate_ / 1000000);
  int64_t last = lastAnswer_.load(std::memory_order_relaxed);
  while (heard > last && !lastAnswer_.compare_exchange_weak(last, heard)) {
  }
  return std::max(heard, last);
}

}  // namespace stream

// Where the listener is in the stream of pulled frames. The output marks each block it
// pulls; anyone may ask, from any thread, which frame is being heard now.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace stream {

class HeardClock {
 public:
  using Clock = std::chrono::steady_clock;

  explicit HeardClock(int32_t rate) : rate_(rate) {}

  // A block was pulled at `now`: `pulled` frames in all so far, of which `waiting` are still
  // in the output's buffers. One thread marks at a time.
  void Mark(int64_t pulled, int64_t waiting, Clock::time_point now);

  // The frame heard at `now`: the frames pulled less those waiting at the last mark, moved on
  // by the time since it; never beyond the frames pulled, never before an earlier answer.
  int64_t Heard(Clock::time_point now) const;

  // The frame the listener reaches at `now` going on at the rate's pace from the last mark,
  // past the frames pulled: where a clock that takes over from a lost device goes on.
  int64_t AtPace(Clock::time_point now) const;

 private:
  struct TMark {
    int64_t Pulled;
    int64_t Heard;
    int64_t Nanos;
  };
  TMark LastMark() const;

  const int32_t rate_;
  // A sequence lock: the marking thread never waits for readers.
  std::atomic<uint64_t> sequence_{0};
  std::atomic<int64_t> pulled_{0};
  std::atomic<int64_t> heardAtMark_{0};
  std::atomic<int64_t> markNanos_{0};
  mutable std::atomic<int64_t> lastAnswer_{0};
};

}  // namespace stream

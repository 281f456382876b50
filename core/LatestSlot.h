#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// The latest of a run of values from one thread to one other, in three fixed slots (a triple
// buffer): the writer fills its own slot and publishes it, the reader takes the newest value
// published since it last looked. Neither side ever waits for the other or allocates, and a
// reader that looks seldom never holds the writer up: values it did not see are simply
// superseded.
template <typename T>
class TLatestSlot {
 public:
  // The writer's slot, to fill before Publish.
  T& Back() { return slots_[back_]; }
  void Publish() { back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndex; }

  // The reader's: the newest value published since the last Take, or null. It stays valid
  // until the next Take.
  const T* Take() {
    if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0) return nullptr;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndex;
    return &slots_[front_];
  }

 private:
  static constexpr uint8_t kIndex = 3;
  static constexpr uint8_t kFresh = 4;

  std::array<T, 3> slots_{};
  uint8_t back_ = 0;  // the writer's
  alignas(64) std::atomic<uint8_t> middle_{1};
  alignas(64) uint8_t front_ = 2;  // the reader's
};

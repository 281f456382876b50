#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// A ring of a fixed number of values from one thread to one other. Neither side ever waits
// for the other or allocates: a full ring refuses a value, an empty one gives none. Values
// are copied into slots made once, so large values cost a copy and nothing more.
template <typename T, std::size_t Capacity>
class TSpscRing {
  static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "a power of two");

 public:
  // The producer's: false, and nothing changed, when the ring is full.
  bool TryPush(const T& value) {
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= Capacity) return false;
    slots_[tail & (Capacity - 1)] = value;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  // The producer's: slots it may still fill.
  std::size_t Free() const {
    return Capacity - static_cast<std::size_t>(tail_.load(std::memory_order_relaxed) -
                                               head_.load(std::memory_order_acquire));
  }

  // The consumer's: the oldest value, or null when there is none. It stays until Pop.
  const T* Front() const {
    const uint64_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return &slots_[head & (Capacity - 1)];
  }
  T* Front() {
    const uint64_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return nullptr;
    return &slots_[head & (Capacity - 1)];
  }
  // The consumer's: lets the front value go. Only after Front gave one.
  void Pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

 private:
  // Apart, so that the two sides do not share a cache line.
  alignas(64) std::atomic<uint64_t> head_{0};
  alignas(64) std::atomic<uint64_t> tail_{0};
  std::array<T, Capacity> slots_{};
};

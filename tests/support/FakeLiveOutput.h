// Live outputs for tests, in place of a sound server: one whose pulls the test makes and
// whose heard frame it sets, and one that pulls on a thread at the pace of the wall clock
// and keeps everything it pulled. Register one with UseLiveOutput before the device opens.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/dsound/live_output.h"

namespace soundtest {

// What a manual output and its test share; it outlives the output, which the device owns.
struct TManualOutputState {
  int32_t Rate = 48000;
  bool Starts = true;        // false: as an output with no device behind it
  uint32_t PullAtStart = 0;  // frames pulled at once, before Start returns
  dsound::LiveOutput::Pull Pull;
  int64_t Pulled = 0;
  int64_t Heard = 0;  // what HeardFrame says, as the test sets it
  int Wakes = 0;
  bool LongBlocks = false;       // what PreferLongBlocks said last
  std::function<void()> OnWake;  // called on each Wake, on the thread that wakes
  bool Started = false;
  bool Stopped = false;
  bool LastBusy = false;  // what the last pull said

  // Pulls the next block, as an output's thread would; empty when nothing pulls.
  std::vector<float> PullBlock(uint32_t frames) {
    std::vector<float> block(2 * static_cast<std::size_t>(frames), 0.0f);
    if (!Pull || Stopped) return {};
    LastBusy = Pull(block.data(), frames);
    Pulled += frames;
    return block;
  }
  // Pulls blocks of at most `block` frames until frame `frame` is pulled, the last block
  // ending just after it.
  void PullPast(int64_t frame, uint32_t block = 256) {
    while (Pulled <= frame && Pull && !Stopped)
      PullBlock(static_cast<uint32_t>(std::min<int64_t>(frame + 1 - Pulled, block)));
  }
  // Pulls blocks of `block` frames until `frames` more are pulled, and hears them all.
  std::vector<float> PullAndHear(int64_t frames, uint32_t block = 256) {
    std::vector<float> all;
    for (int64_t left = frames; left > 0; left -= block) {
      const std::vector<float> b = PullBlock(static_cast<uint32_t>(std::min<int64_t>(left, block)));
      all.insert(all.end(), b.begin(), b.end());
    }
    Heard = Pulled;
    return all;
  }
};

class TManualOutput : public dsound::LiveOutput {
 public:
  explicit TManualOutput(std::shared_ptr<TManualOutputState> state) : state_(std::move(state)) {}
  bool Start(Pull pull) override {
    state_->Started = true;
    if (!state_->Starts) return false;
    state_->Pull = std::move(pull);
    if (state_->PullAtStart > 0) state_->PullBlock(state_->PullAtStart);
    return true;
  }
  int32_t Rate() const override { return state_->Rate; }
  void Wake() override {
    ++state_->Wakes;
    if (state_->OnWake) state_->OnWake();
  }
  void PreferLongBlocks(bool yes) override { state_->LongBlocks = yes; }
  int64_t HeardFrame() const override { return state_->Heard; }
  void Stop() override {
    state_->Stopped = true;
    state_->Pull = nullptr;
  }

 private:
  std::shared_ptr<TManualOutputState> state_;
};

// Pulls blocks on its own thread at the wall clock's pace and keeps them; what it heard is
// what it pulled, less one block in the "buffer", moved on by the time since the last pull.
class TPacedOutput : public dsound::LiveOutput {
 public:
  struct TTape {
    std::mutex Mutex;
    std::vector<float> Frames;  // interleaved stereo, everything pulled
    int32_t Rate = 48000;
    std::chrono::steady_clock::time_point Started;  // when frame 0 was heard, about
  };

  TPacedOutput(std::shared_ptr<TTape> tape, uint32_t block)
      : tape_(std::move(tape)), block_(block) {}
  ~TPacedOutput() override { TPacedOutput::Stop(); }

  bool Start(Pull pull) override {
    pull_ = std::move(pull);
    started_ = Clock::now();
    tape_->Started = started_ + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(double(block_) / tape_->Rate));
    thread_ = std::thread([this] { Run(); });
    return true;
  }
  int32_t Rate() const override { return tape_->Rate; }
  void Wake() override {}
  int64_t HeardFrame() const override {
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    const auto now = static_cast<int64_t>(seconds * tape_->Rate) - block_;
    return std::clamp<int64_t>(now, 0, pulled_.load());
  }
  void Stop() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  using Clock = std::chrono::steady_clock;
  void Run() {
    std::vector<float> block(2 * static_cast<std::size_t>(block_));
    int64_t pulled = 0;
    while (!stop_) {
      pull_(block.data(), block_);
      pulled += block_;
      {
        const std::lock_guard<std::mutex> hold(tape_->Mutex);
        tape_->Frames.insert(tape_->Frames.end(), block.begin(), block.end());
      }
      pulled_ = pulled;
      // The next block is wanted when the one before it starts to be heard.
      std::this_thread::sleep_until(
          started_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                         static_cast<double>(pulled - block_) / tape_->Rate)));
    }
  }

  std::shared_ptr<TTape> tape_;
  uint32_t block_;
  Pull pull_;
  Clock::time_point started_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> pulled_{0};
};

// Devices opened from now on play through outputs made by `make`.
template <typename Make>
void UseLiveOutput(Make make) {
  dsound::SetLiveOutputFactory([make]() -> std::unique_ptr<dsound::LiveOutput> { return make(); });
}

// While it lives, devices opened play through manual outputs that share State: a window
// made meanwhile plays on a live device whose blocks the test pulls.
struct TManualDevice {
  std::shared_ptr<TManualOutputState> State = std::make_shared<TManualOutputState>();
  explicit TManualDevice(int32_t rate = 48000) {
    State->Rate = rate;
    UseLiveOutput([s = State] { return std::make_unique<TManualOutput>(s); });
  }
  ~TManualDevice() { dsound::SetLiveOutputFactory(nullptr); }
  TManualDevice(const TManualDevice&) = delete;
  TManualDevice& operator=(const TManualDevice&) = delete;
};

}  // namespace soundtest

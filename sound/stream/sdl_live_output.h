// The SDL2 live output. SDL's thread calls back for each block and the pull fills it there.
// A control thread of our own watches the device: after a while of silence it releases the
// device (an open stream costs the program and the sound server CPU even when paused) and
// reopens it on Wake; when the device is lost it keeps the pull going at wall-clock pace,
// output discarded, and reopens the default output as soon as one is there again.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/dsound/live_output.h"
#include "sound/stream/heard_clock.h"

namespace stream {

class SdlLiveOutput final : public dsound::LiveOutput {
 public:
  SdlLiveOutput() = default;
  ~SdlLiveOutput() override;
  SdlLiveOutput(const SdlLiveOutput&) = delete;
  SdlLiveOutput& operator=(const SdlLiveOutput&) = delete;

  bool Start(Pull pull) override;
  int32_t Rate() const override { return rate_; }
  void Wake() override;
  int64_t HeardFrame() const override;
  void Stop() override;

 private:
  using Clock = std::chrono::steady_clock;
  enum class State { Open, Idle, Lost };

  static void Fill(void* self, uint8_t* stream, int bytes);
  void PullBlock(float* out, uint32_t frames, int64_t waiting);

  // SDL calls, all on the control thread once started.
  bool InitAudio();
  bool ReinitAudio();
  void QuitAudio();
  bool OpenDevice(bool mayChangeRate);
  void Resume();
  void CloseDevice();

  void Run();
  void WatchOpen(std::unique_lock<std::mutex>& lock);
  void WaitForWake(std::unique_lock<std::mutex>& lock);
  void KeepTimeWhileLost(std::unique_lock<std::mutex>& lock);
  void EnterLost();
  void PullToWallClock(std::unique_lock<std::mutex>& lock);
  bool Silent() const { return silentFrames_.load() >= idleFrames_; }
  void ReleaseClaim();

  Pull pull_;
  bool started_ = false;
  bool claimed_ = false;
  int32_t rate_ = 0;
  uint32_t blockFrames_ = 0;
  int64_t idleFrames_ = 0;
  std::string driver_;
  uint32_t device_ = 0;
  bool audioInitialised_ = false;
  bool backendStale_ = false;  // the backend lost its server: initialise it afresh

  // Written by whichever thread pulls (never two at once).
  std::atomic<int64_t> pulled_{0};
  std::atomic<int64_t> silentFrames_{0};
  std::unique_ptr<HeardClock> clock_;
  std::vector<float> discard_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool woken_ = false;
  State state_ = State::Open;
  Clock::time_point lostSince_;
  int64_t lostAtFrame_ = 0;
  Clock::time_point nextRetry_;
  std::thread control_;
};

}  // namespace stream

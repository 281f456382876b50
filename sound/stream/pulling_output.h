// A live output's own thread and clock. Without a device of its own it is the null output:
// while anything sounds it pulls the blocks at the pace of the monotonic clock, and the
// blocks go nowhere; once nothing has sounded for a while it stops pulling until Wake. An
// output with a device (the SDL output) builds on it: while its device is open the device
// pulls; while it is lost, or none was there at start, the clock pulls and the device is
// looked for again every quarter second.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sound/dsound/live_output.h"
#include "sound/stream/heard_clock.h"

namespace stream {

class PullingOutput : public dsound::LiveOutput {
 public:
  PullingOutput() = default;
  ~PullingOutput() override;
  PullingOutput(const PullingOutput&) = delete;
  PullingOutput& operator=(const PullingOutput&) = delete;

  // The null output: always starts, at 48 kHz, and pulls nothing until Wake.
  bool Start(Pull pull) override;
  int32_t Rate() const override { return rate_; }
  // An atomic flag: never waits, and costs a system call only when the thread sleeps idle.
  void Wake() override;
  int64_t HeardFrame() const override;
  void Stop() override;

 protected:
  using Clock = std::chrono::steady_clock;
  enum class State { Open, Idle, Paced };

  // Starts the thread in `state` (Open: the device is open and pulls once resumed).
  void StartPulling(Pull pull, int32_t rate, uint32_t blockFrames, State state);
  // One block for the device's own thread, `waiting` frames ahead of it in its buffers.
  void PullBlock(float* out, uint32_t frames, int64_t waiting);
  uint32_t BlockFrames() const { return blockFrames_; }

  // The device, called on the control thread only (and before it starts). None here.
  // Opens it paused, pulling once resumed; false when there is none.
  virtual bool OpenDevice() { return false; }
  virtual void ResumeDevice() {}
  virtual bool DeviceLost() { return false; }
  // No pull of the device's runs after this returns.
  virtual void CloseDevice() {}
  virtual bool LooksForDevice() const { return false; }
  // The open device's blocks no longer fit what plays: longer ones are wanted (it is
  // reopened at once), or shorter ones (it is let go after a short silence and opened
  // again with them when something sounds).
  virtual bool WantsLongerBlocks() const { return false; }
  virtual bool WantsShorterBlocks() const { return false; }
  // Has the control thread look at the device now rather than at its next round.
  void LookNow();
  // What the user is told when the device goes and comes back.
  virtual void SayLost() {}
  virtual void SayBack() {}

 private:
  void Run();
  void WatchOpen(std::unique_lock<std::mutex>& lock);
  void WaitForWake(std::unique_lock<std::mutex>& lock);
  void KeepTime(std::unique_lock<std::mutex>& lock);
  // The clock pulls from here on, frame `fromFrame` due now.
  void EnterPaced(int64_t fromFrame);
  void PullToClock();
  bool TakeWake();
  bool Silent() const { return silentFrames_.load() >= idleFrames_; }

  Pull pull_;
  int32_t rate_ = 0;
  uint32_t blockFrames_ = 0;
  int64_t idleFrames_ = 0;

  // Written by whichever thread pulls (never two at once).
  std::atomic<int64_t> pulled_{0};
  std::atomic<int64_t> silentFrames_{0};
  std::unique_ptr<HeardClock> clock_;
  std::vector<float> discard_;

  // The control thread's. Wake touches only woken_: the mutex is the control thread's and
  // Stop's, so that nothing that pulls can wait for it.
  std::atomic<uint32_t> woken_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool lookNow_ = false;
  std::atomic<bool> stopped_{false};
  State state_ = State::Idle;
  Clock::time_point pacedSince_;
  int64_t pacedFromFrame_ = 0;
  Clock::time_point nextLook_;
  std::thread control_;
};

}  // namespace stream

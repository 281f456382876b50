#include "sound/stream/pulling_output.h"

#include <algorithm>

namespace stream {

namespace {
constexpr int32_t kNullRate = 48000;
constexpr uint32_t kNullBlock = 1024;  // about 21 ms: nobody hears it, so wake seldom
constexpr auto kIdleAfter = std::chrono::milliseconds(1500);
// Long blocks are let go this soon once nothing plays, so that the next click is quick.
constexpr int64_t kShortIdleFramesPerSecond = 10;
constexpr auto kWatchEvery = std::chrono::milliseconds(100);
constexpr auto kLookEvery = std::chrono::milliseconds(250);
}  // namespace

PullingOutput::~PullingOutput() { PullingOutput::Stop(); }

bool PullingOutput::Start(Pull pull) {
  if (control_.joinable() || stopped_) return false;
  StartPulling(std::move(pull), kNullRate, kNullBlock, State::Idle);
  return true;
}

void PullingOutput::StartPulling(Pull pull, int32_t rate, uint32_t blockFrames, State state) {
  pull_ = std::move(pull);
  rate_ = rate;
  blockFrames_ = blockFrames;
  idleFrames_ = rate_ * kIdleAfter.count() / 1000;
  clock_ = std::make_unique<HeardClock>(rate_);
  discard_.assign(2 * static_cast<std::size_t>(blockFrames_), 0.0f);
  state_ = state;
  if (state_ == State::Open) ResumeDevice();
  control_ = std::thread(&PullingOutput::Run, this);
}

void PullingOutput::Wake() {
  if (woken_.load(std::memory_order_relaxed) != 0) return;
  // Notifying finds out first whether anyone sleeps on the flag: only then a system call.
  if (woken_.exchange(1) == 0) woken_.notify_one();
}

bool PullingOutput::TakeWake() {
  if (woken_.exchange(0) == 0) return false;
  silentFrames_ = 0;
  return true;
}

int64_t PullingOutput::HeardFrame() const { return clock_ ? clock_->Heard(Clock::now()) : 0; }

void PullingOutput::Stop() {
  if (control_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    stopped_ = true;
    changed_.notify_one();
    woken_ = 1;
    woken_.notify_one();
    control_.join();
  }
  stopped_ = true;
}

void PullingOutput::PullBlock(float* out, uint32_t frames, int64_t waiting) {
  bool sounding = false;
  try {
    sounding = pull_(out, frames);
  } catch (...) {
    // Nothing may leave a thread that pulls; a failing mix is heard as silence.
    std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
  }
  const int64_t pulled = pulled_.fetch_add(frames) + frames;
  clock_->Mark(pulled, waiting, Clock::now());
  if (sounding)
    silentFrames_.store(0);
  else
    silentFrames_.fetch_add(frames);
}

// The control thread. It never holds the lock across a call into the device or the pull:
// closing a device waits for the pull to return.
void PullingOutput::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    switch (state_) {
      case State::Open:
        WatchOpen(lock);
        break;
      case State::Idle:
        WaitForWake(lock);
        break;
      case State::Paced:
        KeepTime(lock);
        break;
    }
  }
  lock.unlock();
  CloseDevice();
}

void PullingOutput::LookNow() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lookNow_ = true;
  }
  changed_.notify_one();
}

void PullingOutput::WatchOpen(std::unique_lock<std::mutex>& lock) {
  changed_.wait_for(lock, kWatchEvery, [this] { return stopping_ || lookNow_; });
  if (stopping_) return;
  lookNow_ = false;
  lock.unlock();
  TakeWake();
  const bool lost = DeviceLost();
  const bool quiet =
      !lost && (Silent() || (WantsShorterBlocks() &&
                             silentFrames_.load() >= rate_ / kShortIdleFramesPerSecond));
  const bool reopen = !lost && !quiet && WantsLongerBlocks();
  if (lost) SayLost();
  // A Wake from here on stays set and reopens the device at once.
  if (lost || quiet || reopen) CloseDevice();
  // What the closed device still held is not heard; a song begins with a silent tick, longer
  // than that, so only a click's ring is cut.
  const bool reopened = reopen && OpenDevice();
  if (reopened) ResumeDevice();
  lock.lock();
  // The song goes on as if the closed device still played: from the frame it would be at
  // now, however long its loss took to be seen, with the blocks it missed pulled at once.
  if (lost || (reopen && !reopened))
    EnterPaced(clock_->AtPace(Clock::now()));
  else if (quiet)
    state_ = State::Idle;
}

void PullingOutput::WaitForWake(std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  while (woken_.load() == 0) woken_.wait(0);
  lock.lock();
  if (stopping_) return;
  TakeWake();
  lock.unlock();
  const bool opened = OpenDevice();
  if (opened) ResumeDevice();
  lock.lock();
  if (opened)
    state_ = State::Open;
  else
    EnterPaced(pulled_);
}

void PullingOutput::EnterPaced(int64_t fromFrame) {
  state_ = State::Paced;
  pacedSince_ = Clock::now();
  pacedFromFrame_ = fromFrame;
  nextLook_ = pacedSince_ + kLookEvery;
}

void PullingOutput::KeepTime(std::unique_lock<std::mutex>& lock) {
  TakeWake();
  if (LooksForDevice() && Clock::now() >= nextLook_) {
    lock.unlock();
    const bool opened = OpenDevice();
    if (opened) {
      // The new device starts paused: make up for the time the opening took first.
      PullToClock();
      ResumeDevice();
      SayBack();
    }
    lock.lock();
    if (opened) {
      state_ = State::Open;
      return;
    }
    nextLook_ = Clock::now() + kLookEvery;
  }
  lock.unlock();
  PullToClock();
  lock.lock();
  if (Silent()) {
    // Nothing sounds: stop pulling and looking until something is about to.
    state_ = State::Idle;
    return;
  }
  const auto nextBlock =
      pacedSince_ + std::chrono::microseconds((pulled_ - pacedFromFrame_) * 1000000 / rate_);
  changed_.wait_until(lock, LooksForDevice() ? std::min(nextLook_, nextBlock) : nextBlock,
                      [this] { return stopping_; });
}

// Pulls until a block is ready beyond the frame the clock has reached, as a device with one
// block in its buffer would have it.
void PullingOutput::PullToClock() {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - pacedSince_);
  const int64_t due = pacedFromFrame_ + elapsed.count() * rate_ / 1000000;
  while (pulled_ <= due && !Silent())
    PullBlock(discard_.data(), blockFrames_, pulled_ + blockFrames_ - due);
}

}  // namespace stream

std::unique_ptr<dsound::LiveOutput> MakeNullOutput() {
  return std::make_unique<stream::PullingOutput>();
}

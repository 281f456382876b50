#include "sound/stream/sdl_live_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sound/stream/realtime_priority.h"
#include "sound/stream/sdl_output.h"

namespace stream {

namespace {
// SDL's audio is the process's: one output holds it at a time.
std::atomic<bool> deviceClaimed{false};

constexpr int32_t kAskedRate = 48000;
constexpr auto kIdleRelease = std::chrono::milliseconds(1500);
constexpr auto kWatchEvery = std::chrono::milliseconds(100);
constexpr auto kRetryEvery = std::chrono::milliseconds(250);

// About 16 ms, a whole number of 256-frame steps (768 frames at 48 kHz, 512 at 44.1 kHz):
// through PulseAudio the stream's latency as the server reports it (three quarters of a
// block in its buffer, a few milliseconds in the sink) stays within 20 ms, and a block is
// room enough for the server to be late now and then without a dropout.
uint32_t BlockFramesFor(int32_t rate) {
  return std::max<uint32_t>(256, static_cast<uint32_t>(rate) * 16 / 1000 / 256 * 256);
}

void Say(const char* what, const char* detail = nullptr) {
  if (detail != nullptr && *detail != '\0')
    std::fprintf(stderr, "PomvikSequencer: %s (%s)\n", what, detail);
  else
    std::fprintf(stderr, "PomvikSequencer: %s\n", what);
}
}  // namespace

SdlLiveOutput::~SdlLiveOutput() { Stop(); }

bool SdlLiveOutput::Start(Pull pull) {
  if (started_) return false;
  started_ = true;
  if (deviceClaimed.exchange(true)) return false;
  claimed_ = true;
  pull_ = std::move(pull);
  if (!InitAudio()) {
    ReleaseClaim();
    return false;
  }
  // Reopening later must find the same kind of output, never fall back to another driver
  // (ALSA's hardware device, say, while the sound server restarts).
  driver_ = SDL_GetCurrentAudioDriver();
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver_.c_str(), SDL_HINT_OVERRIDE);
  SDL_AudioSpec device{};
  rate_ = SDL_GetDefaultAudioInfo(nullptr, &device, 0) == 0 && device.freq > 0 ? device.freq
                                                                               : kAskedRate;
  blockFrames_ = BlockFramesFor(rate_);
  if (!OpenDevice(true)) {
    QuitAudio();
    ReleaseClaim();
    return false;
  }
  idleFrames_ = rate_ * kIdleRelease.count() / 1000;
  clock_ = std::make_unique<HeardClock>(rate_);
  discard_.assign(2 * static_cast<std::size_t>(blockFrames_), 0.0f);
  state_ = State::Open;
  Resume();
  control_ = std::thread(&SdlLiveOutput::Run, this);
  return true;
}

void SdlLiveOutput::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  changed_.notify_one();
}

int64_t SdlLiveOutput::HeardFrame() const { return clock_ ? clock_->Heard(Clock::now()) : 0; }

void SdlLiveOutput::Stop() {
  if (control_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_one();
    control_.join();
  }
  CloseDevice();
  QuitAudio();
  ReleaseClaim();
}

void SdlLiveOutput::ReleaseClaim() {
  if (!claimed_) return;
  SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  claimed_ = false;
  deviceClaimed = false;
}

void SdlLiveOutput::Fill(void* self, uint8_t* stream, int bytes) {
  auto* output = static_cast<SdlLiveOutput*>(self);
  // Each device gets a thread of its own from SDL.
  thread_local bool asked = false;
  if (!asked) {
    asked = true;
    static std::atomic<bool> told{false};
    if (AskRealtimePriority() == RealtimeGrant::Refused && !told.exchange(true))
      Say("the sound output runs without real-time priority, which was refused");
  }
  // What waits before this block is heard: the block itself, then SDL's device buffer of
  // one block (PulseAudio's server buffer is sized to it) ahead of it.
  output->PullBlock(reinterpret_cast<float*>(stream), static_cast<uint32_t>(bytes) / 8,
                    2 * static_cast<int64_t>(output->blockFrames_));
}

void SdlLiveOutput::PullBlock(float* out, uint32_t frames, int64_t waiting) {
  bool sounding = false;
  try {
    sounding = pull_(out, frames);
  } catch (...) {
    // Nothing may leave SDL's thread; a failing mix is heard as silence.
    std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
  }
  const int64_t pulled = pulled_.fetch_add(frames) + frames;
  clock_->Mark(pulled, waiting, Clock::now());
  if (sounding)
    silentFrames_.store(0);
  else
    silentFrames_.fetch_add(frames);
}

bool SdlLiveOutput::InitAudio() {
  // The program ends on SIGTERM and SIGINT itself, keeping the song; SDL's handlers would
  // only post quit events that nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioInitialised_ = true;
  // SDL's dummy driver discards everything: that is no device.
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver == nullptr || std::strcmp(driver, "dummy") == 0) {
    QuitAudio();
    return false;
  }
  return true;
}

bool SdlLiveOutput::ReinitAudio() {
  QuitAudio();
  backendStale_ = !InitAudio();
  return !backendStale_;
}

void SdlLiveOutput::QuitAudio() {
  if (!audioInitialised_) return;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioInitialised_ = false;
}

bool SdlLiveOutput::OpenDevice(bool mayChangeRate) {
  SDL_AudioSpec wanted{};
  wanted.freq = rate_;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = static_cast<Uint16>(blockFrames_);
  wanted.callback = &SdlLiveOutput::Fill;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // After the first open the rate stays: SDL converts for a device that runs at another.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
      nullptr, 0, &wanted, &obtained, mayChangeRate ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0);
  if (device == 0) return false;
  device_ = device;
  if (mayChangeRate) rate_ = obtained.freq;
  return true;
}

void SdlLiveOutput::Resume() { SDL_PauseAudioDevice(device_, 0); }

void SdlLiveOutput::CloseDevice() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);  // joins SDL's thread: no block is pulled there after this
  device_ = 0;
}

// The control thread. It never holds the lock across a call into SDL or the pull: the pull
// may call Wake, and closing a device waits for the pull to return.
void SdlLiveOutput::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    switch (state_) {
      case State::Open:
        WatchOpen(lock);
        break;
      case State::Idle:
        WaitForWake(lock);
        break;
      case State::Lost:
        KeepTimeWhileLost(lock);
        break;
    }
  }
  lock.unlock();
  CloseDevice();
}

void SdlLiveOutput::WatchOpen(std::unique_lock<std::mutex>& lock) {
  changed_.wait_for(lock, kWatchEvery, [this] { return stopping_ || woken_; });
  if (stopping_) return;
  if (woken_) {
    woken_ = false;
    silentFrames_ = 0;
  }
  lock.unlock();
  const bool lost = SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
  const bool quiet = !lost && Silent();
  if (lost) Say("the sound device was lost; playing on without it until it is back");
  // A Wake from here on stays set and reopens the device at once.
  if (lost || quiet) CloseDevice();
  lock.lock();
  if (lost)
    EnterLost();
  else if (quiet)
    state_ = State::Idle;
}

void SdlLiveOutput::WaitForWake(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return stopping_ || woken_; });
  if (stopping_) return;
  woken_ = false;
  silentFrames_ = 0;
  lock.unlock();
  const bool opened = (!backendStale_ || ReinitAudio()) && OpenDevice(false);
  if (opened) Resume();
  lock.lock();
  if (opened)
    state_ = State::Open;
  else
    EnterLost();
}

void SdlLiveOutput::EnterLost() {
  state_ = State::Lost;
  backendStale_ = true;
  lostSince_ = Clock::now();
  lostAtFrame_ = pulled_;
  nextRetry_ = lostSince_ + kRetryEvery;
}

void SdlLiveOutput::KeepTimeWhileLost(std::unique_lock<std::mutex>& lock) {
  if (woken_) {
    woken_ = false;
    silentFrames_ = 0;
  }
  if (Clock::now() >= nextRetry_) {
    lock.unlock();
    const bool opened = ReinitAudio() && OpenDevice(false);
    lock.lock();
    if (opened) {
      // The new device starts paused: make up for the time the opening took first.
      PullToWallClock(lock);
      lock.unlock();
      Resume();
      Say("the sound device is back");
      lock.lock();
      state_ = State::Open;
      return;
    }
    nextRetry_ = Clock::now() + kRetryEvery;
  }
  PullToWallClock(lock);
  if (Silent()) {
    // Nothing sounds: stop pulling and trying until something is about to.
    state_ = State::Idle;
    return;
  }
  const auto nextBlock =
      lostSince_ +
      std::chrono::microseconds((pulled_ - lostAtFrame_ + blockFrames_) * 1000000 / rate_);
  changed_.wait_until(lock, std::min(nextRetry_, nextBlock),
                      [this] { return stopping_ || woken_; });
}

void SdlLiveOutput::PullToWallClock(std::unique_lock<std::mutex>& lock) {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - lostSince_);
  const int64_t due = lostAtFrame_ + elapsed.count() * rate_ / 1000000;
  lock.unlock();
  while (pulled_ + blockFrames_ <= due && !Silent()) PullBlock(discard_.data(), blockFrames_, 0);
  lock.lock();
}

}  // namespace stream

std::unique_ptr<dsound::LiveOutput> MakeSdlOutput() {
  return std::make_unique<stream::SdlLiveOutput>();
}

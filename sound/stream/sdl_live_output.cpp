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

// About 16 ms, a whole number of 256-frame steps (768 frames at 48 kHz, 512 at 44.1 kHz):
// through PulseAudio the stream's latency as the server reports it (three quarters of a
// block in its buffer, a few milliseconds in the sink) stays within 20 ms, and a block is
// room enough for the server to be late now and then without a dropout.
uint32_t BlockFramesFor(int32_t rate) {
  return std::max<uint32_t>(256, static_cast<uint32_t>(rate) * 16 / 1000 / 256 * 256);
}

// While a song plays: about 85 ms. Through PulseAudio the server then wakes about 190 times
// a second instead of 1,000 (250 at 3,072 frames, 380 at 2,048), at about 2 % of a core
// instead of 7-9 %; the song's latency (some 75 ms) is heard only in how soon Stop and a
// new tempo take effect.
constexpr uint32_t kLongBlock = 4096;

void Say(const char* what) { std::fprintf(stderr, "PomvikSequencer: %s\n", what); }
}  // namespace

SdlLiveOutput::~SdlLiveOutput() { SdlLiveOutput::Stop(); }

bool SdlLiveOutput::Start(Pull pull) {
  if (started_) return false;
  started_ = true;
  if (deviceClaimed.exchange(true)) return false;
  claimed_ = true;
  int32_t rate = kAskedRate;
  bool opened = false;
  if (InitAudio()) {
    SDL_AudioSpec device{};
    if (SDL_GetDefaultAudioInfo(nullptr, &device, 0) == 0 && device.freq > 0) rate = device.freq;
    opened = OpenSdlDevice(rate, true, &rate);
  } else if (dummy_) {
    // SDL's dummy driver is only ever named by the user: no sound, and none to look for.
    ReleaseClaim();
    return false;
  }
  if (!opened) {
    // No device yet (no sound server, say): the clock pulls whenever something sounds, and
    // the default output is looked for again then.
    QuitAudio();
    backendStale_ = true;
  }
  StartPulling(std::move(pull), rate, BlockFramesFor(rate), opened ? State::Open : State::Idle);
  return true;
}

void SdlLiveOutput::Stop() {
  PullingOutput::Stop();
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
                    2 * static_cast<int64_t>(output->deviceBlock_.load()));
}

bool SdlLiveOutput::InitAudio() {
  // The program ends on SIGTERM and SIGINT itself, keeping the song; SDL's handlers would
  // only post quit events that nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioInitialised_ = true;
  // SDL's dummy driver discards everything: that is no device.
  const char* driver = SDL_GetCurrentAudioDriver();
  dummy_ = driver != nullptr && std::strcmp(driver, "dummy") == 0;
  if (driver == nullptr || dummy_) {
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

bool SdlLiveOutput::OpenSdlDevice(int32_t rate, bool mayChangeRate, int32_t* obtainedRate) {
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = static_cast<Uint16>(WantedBlock(rate));
  deviceBlock_ = wanted.samples;  // before SDL's thread calls back
  wanted.callback = &SdlLiveOutput::Fill;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // After the first open the rate stays: SDL converts for a device that runs at another.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
      nullptr, 0, &wanted, &obtained, mayChangeRate ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0);
  if (device == 0) return false;
  device_ = device;
  deviceBlock_ = obtained.samples;
  if (mayChangeRate) *obtainedRate = obtained.freq;
  if (!everOpened_) {
    // Reopening later must find the same kind of output, never fall back to another driver
    // (ALSA's hardware device, say, while the sound server restarts).
    everOpened_ = true;
    driver_ = SDL_GetCurrentAudioDriver();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver_.c_str(), SDL_HINT_OVERRIDE);
  }
  return true;
}

bool SdlLiveOutput::OpenDevice() {
  // Until a device is found, only a sound server is looked for (unless the user named a
  // driver): one that starts late is what comes, and ALSA would complain on every look.
  if (!everOpened_) SDL_SetHint(SDL_HINT_AUDIODRIVER, "pipewire,pulseaudio");
  if (backendStale_ && !ReinitAudio()) return false;
  int32_t rate = Rate();
  if (OpenSdlDevice(rate, false, &rate)) return true;
  backendStale_ = true;
  return false;
}

void SdlLiveOutput::PreferLongBlocks(bool yes) {
  if (longWanted_.exchange(yes) != yes) LookNow();
}

uint32_t SdlLiveOutput::WantedBlock(int32_t rate) const {
  return longWanted_ ? kLongBlock : BlockFramesFor(rate);
}

bool SdlLiveOutput::WantsLongerBlocks() const { return deviceBlock_ < WantedBlock(Rate()); }

bool SdlLiveOutput::WantsShorterBlocks() const { return deviceBlock_ > WantedBlock(Rate()); }

void SdlLiveOutput::ResumeDevice() { SDL_PauseAudioDevice(device_, 0); }

bool SdlLiveOutput::DeviceLost() {
  if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) return false;
  backendStale_ = true;
  return true;
}

void SdlLiveOutput::CloseDevice() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);  // joins SDL's thread: no block is pulled there after this
  device_ = 0;
}

void SdlLiveOutput::SayLost() {
  lost_ = true;
  Say("the sound device was lost; playing on without it until it is back");
}

void SdlLiveOutput::SayBack() { Say(lost_ ? "the sound device is back" : "found a sound device"); }

}  // namespace stream

std::unique_ptr<dsound::LiveOutput> MakeSdlOutput() {
  return std::make_unique<stream::SdlLiveOutput>();
}

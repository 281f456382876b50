#include "sound/dsound/al/device.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>

#include "sound/dsound/al/mix_settings.h"
#include "sound/dsound/live_output.h"

namespace dsound {

// What a live output's pulls reach: the device, once it is open and until it goes.
struct AlDevice::LiveLink {
  explicit LiveLink(std::shared_ptr<DeviceLock::State> state) : lock(std::move(state)) {}

  const std::shared_ptr<DeviceLock::State> lock;  // the device's, there before it is
  AlDevice* device = nullptr;                     // under the lock
  std::atomic<int64_t> pulledBefore{0};           // frames pulled before the device was attached

  bool Pull(float* out, uint32_t frames) {
    const DeviceLock held(lock);
    const DeviceLock::PullScope pulling;
    if (device == nullptr) {
      std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
      pulledBefore += frames;
      return false;
    }
    try {
      return device->MixBlock(out, frames);
    } catch (const std::exception& e) {
      // Nothing may leave the output's thread; the block is lost, playback goes on.
      std::fprintf(stderr, "PomvikSequencer: a block of sound was lost: %s\n", e.what());
    } catch (...) {
      std::fprintf(stderr, "PomvikSequencer: a block of sound was lost\n");
    }
    std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
    return true;
  }
};

namespace {

template <typename Fn>
Fn LoadProc(ALCdevice* device, const char* name) {
  return reinterpret_cast<Fn>(alcGetProcAddress(device, name));
}

// The device renders float stereo at the asked rate. Nothing is sent to effects, so each of
// the voices OpenAL Soft keeps (256 whatever it is told) carries no sends.
std::array<ALCint, 9> LoopbackAttributes(int32_t mixRate) {
  return {ALC_FORMAT_CHANNELS_SOFT,
          ALC_STEREO_SOFT,
          ALC_FORMAT_TYPE_SOFT,
          ALC_FLOAT_SOFT,
          ALC_FREQUENCY,
          mixRate,
          ALC_MAX_AUXILIARY_SENDS,
          0,
          0};
}

}  // namespace

AlDevice::AlDevice(al::Device device, std::shared_ptr<DeviceLock::State> lock)
    : lock_(std::move(lock)), device_(std::move(device)) {
  ALCdevice* d = device_.get();
  if (alcIsExtensionPresent(d, "ALC_SOFT_HRTF") == ALC_TRUE)
    ext_.resetDevice = LoadProc<LPALCRESETDEVICESOFT>(d, "alcResetDeviceSOFT");
  ext_.renderSamples = LoadProc<LPALCRENDERSAMPLESSOFT>(d, "alcRenderSamplesSOFT");
}

AlDevice::~AlDevice() {
  const DeviceLock lock(lock_);
  if (link_) link_->device = nullptr;
  lock.Retire(std::move(output_));
  if (!context_) return;
  fader_.Clear();
  lock_->context = nullptr;
  DeviceLock::LetGo(context_.get());
  context_.reset();
}

bool AlDevice::CreateContext(const ALCint* attributes) {
  context_ = al::Context(alcCreateContext(device_.get(), attributes));
  if (!context_) return false;
  lock_->context = context_.get();
  const DeviceLock current(lock_);
  ext_.sourceSpatialize = alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE;
  ext_.float32 = alIsExtensionPresent("AL_EXT_FLOAT32") == AL_TRUE;
  if (alIsExtensionPresent("AL_SOFT_source_latency") == AL_TRUE)
    ext_.getSourcei64v =
        reinterpret_cast<LPALGETSOURCEI64VSOFT>(alGetProcAddress("alGetSourcei64vSOFT"));
  if (alIsExtensionPresent("AL_SOFTX_map_buffer") == AL_TRUE ||
      alIsExtensionPresent("AL_SOFT_map_buffer") == AL_TRUE) {
    ext_.bufferStorage = reinterpret_cast<AlBufferStorage>(alGetProcAddress("alBufferStorageSOFT"));
    ext_.mapBuffer = reinterpret_cast<AlMapBuffer>(alGetProcAddress("alMapBufferSOFT"));
    ext_.unmapBuffer = reinterpret_cast<AlUnmapBuffer>(alGetProcAddress("alUnmapBufferSOFT"));
    if (!ext_.bufferStorage || !ext_.mapBuffer || !ext_.unmapBuffer) ext_.bufferStorage = nullptr;
  }
  ReadMixRate();
  fader_.Prepare(*this);
  return true;
}

void AlDevice::ReadMixRate() {
  ALCint rate = 0;
  alcGetIntegerv(device_.get(), ALC_FREQUENCY, 1, &rate);
  mixRate_ = rate;
}

std::shared_ptr<AlDevice> AlDevice::OpenLoopback(int32_t mixRate,
                                                 std::shared_ptr<DeviceLock::State> lock) {
  if (!lock) lock = std::make_shared<DeviceLock::State>();
  const DeviceLock held(lock);
  al::Device device;
  OpenWithOwnMixSettings([&] {
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE ||
        alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context") != ALC_TRUE)
      return;
    auto open = LoadProc<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
    if (open != nullptr) device = al::Device(open(nullptr));
  });
  if (!device) return nullptr;
  std::shared_ptr<AlDevice> result(new AlDevice(std::move(device), lock));
  if (result->ext_.renderSamples == nullptr) return nullptr;
  if (!result->CreateContext(LoopbackAttributes(mixRate).data())) return nullptr;
  return result;
}

std::shared_ptr<AlDevice> AlDevice::OpenLive(std::unique_ptr<LiveOutput> output) {
  if (!output) return nullptr;
  auto link = std::make_shared<LiveLink>(std::make_shared<DeviceLock::State>());
  if (!output->Start([link](float* out, uint32_t frames) { return link->Pull(out, frames); })) {
    output->Stop();
    return nullptr;
  }
  const DeviceLock lock(link->lock);
  std::shared_ptr<AlDevice> device = OpenLoopback(output->Rate(), link->lock);
  if (!device) {
    lock.Retire(std::move(output));
    return nullptr;
  }
  device->output_ = std::move(output);
  device->link_ = link;
  device->SetLimited(true);
  link->device = device.get();
  return device;
}

bool AlDevice::Reset(int32_t mixRate) {
  if (mixRate <= 0) return false;
  if (IsLive()) return true;  // mixed once, at the output's own rate
  if (ext_.resetDevice == nullptr) return false;
  // A loopback device must be told its whole render format on every reset.
  const bool reset =
      ext_.resetDevice(device_.get(), LoopbackAttributes(mixRate).data()) == ALC_TRUE;
  ReadMixRate();
  if (limiter_) limiter_.emplace(mixRate_);
  fader_.Prepare(*this);
  return reset;
}

void AlDevice::Render(float* out, uint32_t frames) {
  ext_.renderSamples(device_.get(), out, static_cast<ALCsizei>(frames));
  mixed_ += frames;
}

bool AlDevice::MixBlock(float* out, uint32_t frames) {
  bool busy = false;
  if (blockMixer_) {
    const BlockMixer mixer = blockMixer_;  // it may replace itself
    busy = mixer(out, frames);
  } else {
    Render(out, frames);
  }
  if (limiter_) limiter_->Process(out, frames);
  return busy || AnySourcePlaying();
}

int64_t AlDevice::HeardFrame() const {
  if (!output_) return mixed_;
  return output_->HeardFrame() - link_->pulledBefore - LimiterDelay();
}

void AlDevice::Wake() {
  if (output_) output_->Wake();
}

void AlDevice::PreferLongBlocks(bool yes) {
  if (output_) output_->PreferLongBlocks(yes);
}

void AlDevice::SetLimited(bool limited) {
  if (limited && !limiter_) limiter_.emplace(mixRate_);
  if (!limited) limiter_.reset();
}

void AlDevice::Untrack(ALuint source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

bool AlDevice::AnySourcePlaying() const {
  return std::any_of(sources_.begin(), sources_.end(), [](ALuint source) {
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
  });
}

double AlDevice::PlayPosition(ALuint source) const {
  if (ext_.getSourcei64v != nullptr) {
    ALint64SOFT offset[2] = {};  // frames in 32.32 fixed point, then the latency
    ext_.getSourcei64v(source, AL_SAMPLE_OFFSET_LATENCY_SOFT, offset);
    return std::ldexp(static_cast<double>(offset[0]), -32);
  }
  ALint frames = 0;
  alGetSourcei(source, AL_SAMPLE_OFFSET, &frames);
  return frames;
}

void AlDevice::Centre(ALuint source) const {
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
  if (ext_.sourceSpatialize) alSourcei(source, AL_SOURCE_SPATIALIZE_SOFT, AL_FALSE);
}

}  // namespace dsound

#include "sound/dsound/al/device.h"

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>

namespace dsound {
namespace {

// OpenAL Soft 1.19 ignores ALC_REFRESH on real devices and takes its mixing period from the
// configuration; the default period makes notes land late and unevenly. A configuration of
// our own, named by ALSOFT_CONF, is read after the user's files and so layers over them.
// OpenAL reads its configuration once, on the first call into it, so this must run before.
class OwnConfig {
 public:
  void Prepare() {
    std::call_once(once_, [this] {
      if (std::getenv("ALSOFT_CONF") != nullptr) return;  // the user's choice wins
      std::string dir = std::filesystem::temp_directory_path().string();
      std::string pattern = dir + "/pomvik-alsoft-XXXXXX";
      int fd = mkstemp(pattern.data());
      if (fd < 0) return;
      static constexpr char kText[] = "[general]\nperiod_size=128\n";
      bool written = write(fd, kText, sizeof kText - 1) == static_cast<ssize_t>(sizeof kText - 1);
      close(fd);
      if (!written) {
        unlink(pattern.c_str());
        return;
      }
      setenv("ALSOFT_CONF", pattern.c_str(), 1);
      path_ = pattern;
    });
  }
  // Once OpenAL has read it the file is no longer needed.
  void Forget() {
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
  }

 private:
  std::once_flag once_;
  std::string path_;
};

OwnConfig& Config() {
  static OwnConfig config;
  return config;
}

template <typename Fn>
Fn LoadProc(ALCdevice* device, const char* name) {
  return reinterpret_cast<Fn>(alcGetProcAddress(device, name));
}

// OpenAL Soft falls back to a backend that only discards the mix when no sound card exists.
bool IsNullBackend(ALCdevice* device) {
  if (alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT") != ALC_TRUE) return false;
  const ALCchar* name = alcGetString(device, ALC_ALL_DEVICES_SPECIFIER);
  return name != nullptr && std::strcmp(name, "No Output") == 0;
}

}  // namespace

AlDevice::AlDevice(al::Device device, bool loopback)
    : device_(std::move(device)), loopback_(loopback) {
  ALCdevice* d = device_.get();
  if (alcIsExtensionPresent(d, "ALC_SOFT_HRTF") == ALC_TRUE)
    ext_.resetDevice = LoadProc<LPALCRESETDEVICESOFT>(d, "alcResetDeviceSOFT");
  if (loopback_) ext_.renderSamples = LoadProc<LPALCRENDERSAMPLESSOFT>(d, "alcRenderSamplesSOFT");
}

AlDevice::~AlDevice() {
  if (!context_) return;
  MakeCurrent();
  fader_.Clear();
}

bool AlDevice::CreateContext(const ALCint* attributes) {
  context_ = al::Context(alcCreateContext(device_.get(), attributes));
  if (!context_) return false;
  MakeCurrent();
  ext_.sourceSpatialize = alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE;
  ext_.float32 = alIsExtensionPresent("AL_EXT_FLOAT32") == AL_TRUE;
  if (alIsExtensionPresent("AL_SOFT_source_latency") == AL_TRUE)
    ext_.getSourcei64v =
        reinterpret_cast<LPALGETSOURCEI64VSOFT>(alGetProcAddress("alGetSourcei64vSOFT"));
  ReadMixRate();
  return true;
}

void AlDevice::ReadMixRate() {
  ALCint rate = 0;
  alcGetIntegerv(device_.get(), ALC_FREQUENCY, 1, &rate);
  mixRate_ = rate;
}

std::shared_ptr<AlDevice> AlDevice::OpenDefault() {
  Config().Prepare();
  al::Device device(alcOpenDevice(nullptr));
  Config().Forget();
  if (!device || IsNullBackend(device.get())) return nullptr;
  std::shared_ptr<AlDevice> result(new AlDevice(std::move(device), false));
  if (!result->CreateContext(nullptr)) return nullptr;
  return result;
}

namespace {
// The offline device renders float stereo at the asked rate.
std::array<ALCint, 7> LoopbackAttributes(int32_t mixRate) {
  return {ALC_FORMAT_CHANNELS_SOFT,
          ALC_STEREO_SOFT,
          ALC_FORMAT_TYPE_SOFT,
          ALC_FLOAT_SOFT,
          ALC_FREQUENCY,
          mixRate,
          0};
}
}  // namespace

std::shared_ptr<AlDevice> AlDevice::OpenLoopback(int32_t mixRate) {
  Config().Prepare();
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return nullptr;
  auto open = LoadProc<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
  if (open == nullptr) return nullptr;
  al::Device device(open(nullptr));
  Config().Forget();
  if (!device) return nullptr;
  std::shared_ptr<AlDevice> result(new AlDevice(std::move(device), true));
  if (result->ext_.renderSamples == nullptr) return nullptr;
  if (!result->CreateContext(LoopbackAttributes(mixRate).data())) return nullptr;
  return result;
}

void AlDevice::MakeCurrent() const {
  if (alcGetCurrentContext() != context_.get()) alcMakeContextCurrent(context_.get());
}

bool AlDevice::Reset(int32_t mixRate) {
  if (ext_.resetDevice == nullptr || mixRate <= 0) return false;
  // A loopback device must be told its whole render format on every reset.
  const auto loopbackAttributes = LoopbackAttributes(mixRate);
  const ALCint attributes[] = {ALC_FREQUENCY, mixRate, 0};
  bool reset = ext_.resetDevice(device_.get(),
                                loopback_ ? loopbackAttributes.data() : attributes) == ALC_TRUE;
  ReadMixRate();
  return reset;
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

bool AlDevice::Render(float* out, uint32_t frames) {
  if (!loopback_ || ext_.renderSamples == nullptr) return false;
  MakeCurrent();
  ext_.renderSamples(device_.get(), out, static_cast<ALCsizei>(frames));
  return true;
}

}  // namespace dsound

// One open OpenAL device with its context, shared by the DirectSound objects made on it so
// that it outlives the last of them.
#pragma once

#include <AL/alext.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/dsound/al/handles.h"

namespace dsound {

// Extension entry points, looked up per device.
struct AlExtensions {
  LPALCRESETDEVICESOFT resetDevice = nullptr;
  LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
  bool sourceSpatialize = false;
};

class AlDevice {
 public:
  // The default output device, or null when there is none (OpenAL Soft's null backend
  // included).
  static std::shared_ptr<AlDevice> OpenDefault();
  // A loopback device mixing float stereo at mixRate into memory, or null.
  static std::shared_ptr<AlDevice> OpenLoopback(int32_t mixRate);

  AlDevice(const AlDevice&) = delete;
  AlDevice& operator=(const AlDevice&) = delete;
  ~AlDevice();

  // OpenAL calls act on the current context; several devices may be open at once.
  void MakeCurrent() const;
  // Re-opens the output at another mixing rate; false when the device refuses.
  bool Reset(int32_t mixRate);
  bool IsLoopback() const { return loopback_; }
  int32_t MixRate() const;
  // Mixes frames of interleaved float stereo into out (loopback only).
  bool Render(float* out, uint32_t frames);
  const AlExtensions& Extensions() const { return ext_; }

  // DirectSound has one rolloff for all 3-D buffers; OpenAL keeps one per source.
  float Rolloff() const { return rolloff_; }
  void SetRolloff(float rolloff) { rolloff_ = rolloff; }

 private:
  AlDevice(al::Device device, bool loopback);
  bool CreateContext(const ALCint* attributes);

  al::Device device_;  // declared first so that the context goes before the device closes
  al::Context context_;
  AlExtensions ext_;
  bool loopback_ = false;
  float rolloff_ = 1.0f;
};

}  // namespace dsound

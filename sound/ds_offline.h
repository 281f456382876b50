// The offline device: OpenAL Soft's loopback device, which mixes only when asked and hands
// the mix over in memory. Tests listen to it; the offline renderer writes it to a file.
//
//   dsound::ScopedOfflineDevice offline(44100);
//   ... DirectSoundCreate (directly or through TDDSD::Initialize) now opens it ...
//   std::vector<float> mix = directSound->RenderOffline(frames);  // left, right, left, ...
//
// The mix starts at mixRate frames per second; a primary buffer's SetFormat changes the rate
// as on a real device (read it back with IDirectSound::MixRate). Rendering is deterministic:
// a Play takes effect at the first frame of the next RenderOffline.
#pragma once

#include <cstdint>

namespace dsound {

class ScopedOfflineDevice {
 public:
  explicit ScopedOfflineDevice(int32_t mixRate = 44100);
  ~ScopedOfflineDevice();
  ScopedOfflineDevice(const ScopedOfflineDevice&) = delete;
  ScopedOfflineDevice& operator=(const ScopedOfflineDevice&) = delete;

  // The rate DirectSoundCreate opens the offline device at, or 0 when none is in force.
  static int32_t ActiveMixRate();

 private:
  int32_t previous_;
};

}  // namespace dsound

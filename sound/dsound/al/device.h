// One open OpenAL device with its context, shared by the DirectSound objects made on it so
// that it outlives the last of them.
#pragma once

#include <AL/alext.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/dsound/al/fader.h"
#include "sound/dsound/al/handles.h"

namespace dsound {

// Extension entry points, looked up per device.
struct AlExtensions {
  LPALCRESETDEVICESOFT resetDevice = nullptr;
  LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
  LPALGETSOURCEI64VSOFT getSourcei64v = nullptr;  // a play position with its fraction
  bool sourceSpatialize = false;
  bool float32 = false;  // buffers of float samples
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
  int32_t MixRate() const { return mixRate_; }
  // Mixes frames of interleaved float stereo into out (loopback only).
  bool Render(float* out, uint32_t frames);
  const AlExtensions& Extensions() const { return ext_; }

  // Where a source is in its buffer, in frames, with the fraction between two.
  double PlayPosition(ALuint source) const;
  // Sets a source up to play centred at full volume, whatever the listener does.
  void Centre(ALuint source) const;
  // Fades out what a voice just cut would have gone on to play (fader.h).
  void FadeOut(const CutVoice& cut) { fader_.FadeOut(cut, *this); }

  // DirectSound has one rolloff for all 3-D buffers; OpenAL keeps one per source.
  float Rolloff() const { return rolloff_; }
  void SetRolloff(float rolloff) { rolloff_ = rolloff; }

 private:
  AlDevice(al::Device device, bool loopback);
  bool CreateContext(const ALCint* attributes);
  void ReadMixRate();

  al::Device device_;  // declared first so that the context goes before the device closes
  al::Context context_;
  AlFader fader_;  // its voices go before the context, in the destructor
  AlExtensions ext_;
  bool loopback_ = false;
  int32_t mixRate_ = 0;
  float rolloff_ = 1.0f;
};

}  // namespace dsound

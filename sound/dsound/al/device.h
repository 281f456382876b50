// One open OpenAL loopback device with its context, shared by the DirectSound objects made
// on it so that it outlives the last of them. An offline device mixes when it is asked to;
// a live one is mixed block by block inside the pulls of its live output.
#pragma once

#include <AL/alext.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sound/dsound/al/device_lock.h"
#include "sound/dsound/al/fader.h"
#include "sound/dsound/al/handles.h"
#include "sound/dsound/al/map_buffer.h"
#include "sound/dsound/ds_device.h"
#include "sound/dsound/peak_limiter.h"

namespace dsound {

class LiveOutput;

// Extension entry points, looked up per device.
struct AlExtensions {
  LPALCRESETDEVICESOFT resetDevice = nullptr;
  LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
  LPALGETSOURCEI64VSOFT getSourcei64v = nullptr;  // a play position with its fraction
  AlBufferStorage bufferStorage = nullptr;        // all three, or none
  AlMapBuffer mapBuffer = nullptr;
  AlUnmapBuffer unmapBuffer = nullptr;
  bool sourceSpatialize = false;
  bool float32 = false;  // buffers of float samples
};

class AlDevice {
 public:
  // A device mixing float stereo at mixRate into memory, or null. Its lock is `lock`, or
  // one of its own.
  static std::shared_ptr<AlDevice> OpenLoopback(int32_t mixRate,
                                                std::shared_ptr<DeviceLock::State> lock = {});
  // A device mixed inside the pulls of `output`, at the output's rate; null when the output
  // does not start or no device can be opened. Called without the device lock: starting an
  // output may wait for its thread.
  static std::shared_ptr<AlDevice> OpenLive(std::unique_ptr<LiveOutput> output);

  AlDevice(const AlDevice&) = delete;
  AlDevice& operator=(const AlDevice&) = delete;
  ~AlDevice();

  // What every operation on the device locks (device_lock.h); holding it, OpenAL's calls
  // act on this device's context.
  const std::shared_ptr<DeviceLock::State>& LockState() const { return lock_; }
  // Re-opens the mix at another rate; false when the device refuses. A live device keeps
  // its output's rate and says yes.
  bool Reset(int32_t mixRate);
  bool IsLive() const { return output_ != nullptr; }
  int32_t MixRate() const { return mixRate_; }
  const AlExtensions& Extensions() const { return ext_; }

  // Mixes the next frames of interleaved float stereo into out.
  void Render(float* out, uint32_t frames);
  // A whole block as it leaves the device: filled by the block mixer (or mixed plainly),
  // then limited. Returns whether anything sounds or is about to.
  bool MixBlock(float* out, uint32_t frames);
  void SetBlockMixer(BlockMixer mixer) { blockMixer_ = std::move(mixer); }
  int64_t MixedFrames() const { return mixed_; }
  // The mixed frame being heard: for a live device, where its output stands less the frames
  // it pulled before the mix began and the limiter's delay.
  int64_t HeardFrame() const;
  void Wake();
  void PreferLongBlocks(bool yes);
  void SetLimited(bool limited);
  int32_t LimiterDelay() const { return limiter_ ? limiter_->Delay() : 0; }

  // Where a source is in its buffer, in frames, with the fraction between two.
  double PlayPosition(ALuint source) const;
  // Sets a source up to play centred at full volume, whatever the listener does.
  void Centre(ALuint source) const;
  // Fades out what a voice just cut would have gone on to play (fader.h).
  void FadeOut(const CutVoice& cut) { fader_.FadeOut(cut, *this); }
  // Sources whose sound keeps a live output awake. Room for `more` is made ahead, so that
  // tracking them later never allocates.
  void ReserveTracked(std::size_t more) { sources_.reserve(sources_.size() + more); }
  void Track(ALuint source) { sources_.push_back(source); }
  void Untrack(ALuint source);

  // DirectSound has one rolloff for all 3-D buffers; OpenAL keeps one per source.
  float Rolloff() const { return rolloff_; }
  void SetRolloff(float rolloff) { rolloff_ = rolloff; }

 private:
  struct LiveLink;

  AlDevice(al::Device device, std::shared_ptr<DeviceLock::State> lock);
  bool CreateContext(const ALCint* attributes);
  void ReadMixRate();
  bool AnySourcePlaying() const;

  std::shared_ptr<DeviceLock::State> lock_;
  al::Device device_;  // declared before the context, which goes first
  al::Context context_;
  AlFader fader_;  // its voices go before the context, in the destructor
  AlExtensions ext_;
  int32_t mixRate_ = 0;
  float rolloff_ = 1.0f;
  int64_t mixed_ = 0;
  BlockMixer blockMixer_;
  std::optional<PeakLimiter> limiter_;
  std::vector<ALuint> sources_;
  std::unique_ptr<LiveOutput> output_;
  std::shared_ptr<LiveLink> link_;
};

}  // namespace dsound

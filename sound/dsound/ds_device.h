// IDirectSound: a live output device, or an offline one (DirectSoundCreateOffline).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "sound/dsound/ds_types.h"

namespace dsound {

// Fills a block of a device's output: it mixes exactly `frames` frames through
// IDirectSound::Mix, in as many pieces as it likes, doing what it must between them, and
// returns whether it has more to play.
using BlockMixer = std::function<bool(float* out, uint32_t frames)>;

class IDirectSound {
 public:
  IDirectSound(const IDirectSound&) = delete;
  IDirectSound& operator=(const IDirectSound&) = delete;

  HRESULT SetCooperativeLevel(HWND window, DWORD level);
  // A primary buffer (DSBCAPS_PRIMARYBUFFER, no size, no format) or a secondary buffer of
  // 4 .. DSBSIZE_MAX bytes in 8- or 16-bit PCM, mono or stereo (mono only with CTRL3D).
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out, void* outer);
  // A stopped copy on the same data, at the original's frequency, labelled as the original.
  HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out);
  // Buffers made on the device keep it open until they are released too.
  ULONG Release();

  // Not DirectSound: whether this is the offline device, or a live one whose output pulls
  // the mix block by block on its own thread.
  bool IsOffline() const;
  bool IsLive() const { return !IsOffline(); }
  // The current mixing rate in frames per second (SetFormat of the primary buffer changes it
  // on the offline device; a live device mixes at its output's rate).
  int32_t MixRate() const;
  // Mixes the next block of interleaved float stereo (left, right) into out, which holds
  // 2 * frames floats, as a live output would pull it: through the block mixer and the
  // limiter when they are set. Returns false, writing nothing, on a device that is not
  // offline.
  bool RenderOffline(float* out, uint32_t frames);
  std::vector<float> RenderOffline(uint32_t frames);

  // Not DirectSound: the device's clock and what fills its blocks.
  // Frames mixed since the device opened: the clock a block mixer times its work on.
  int64_t MixedFrames() const;
  // The mixed frame being heard now: behind MixedFrames by what waits in a live output's
  // buffers and the limiter's delay; on the offline device, MixedFrames.
  int64_t HeardFrame() const;
  // Fills each block from now on (the next block, when one is being mixed); none mixes the
  // blocks plainly.
  void SetBlockMixer(BlockMixer mixer);
  // Mixes the next frames plainly; for a block mixer.
  void Mix(float* out, uint32_t frames);
  // Something is about to sound: a live output that went quiet resumes.
  void Wake();
  // A song plays: a live output may take long blocks (see LiveOutput).
  void PreferLongBlocks(bool yes);
  // Passes every block through the peak limiter (always on a live device), which delays
  // the sound by LimiterDelay() frames.
  void SetLimiter(bool limited);
  int32_t LimiterDelay() const;

 private:
  friend HRESULT DirectSoundCreate(const GUID*, IDirectSound**, void*);
  friend HRESULT DirectSoundCreateOffline(int32_t, IDirectSound**);
  explicit IDirectSound(std::shared_ptr<AlDevice> device);
  ~IDirectSound();

  std::shared_ptr<AlDevice> device_;
  ULONG refs_ = 1;
  DWORD level_ = 0;
};

}  // namespace dsound

// IDirectSound: an open output device, or an offline one (DirectSoundCreateOffline).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/dsound/ds_types.h"

namespace dsound {

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

  // Not DirectSound: whether this is the offline device.
  bool IsOffline() const;
  // The current mixing rate in frames per second (SetFormat of the primary buffer changes it).
  int32_t MixRate() const;
  // Mixes the next frames of interleaved float stereo (left, right) into out, which holds
  // 2 * frames floats. Returns false, writing nothing, on a device that is not offline.
  bool RenderOffline(float* out, uint32_t frames);
  std::vector<float> RenderOffline(uint32_t frames);

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

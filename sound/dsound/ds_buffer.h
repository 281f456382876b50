// IDirectSoundBuffer: the primary buffer (the output device's format) or a secondary buffer.
// A secondary buffer's PCM bytes are held once (al/sample_data.h): Lock hands that memory out
// and Unlock makes it what OpenAL plays. Every secondary buffer plays through an OpenAL
// source of its own, and duplicates share the sample data, which lives until the last of
// them is released.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sound/dsound/ds_types.h"

namespace dsound {

class IDirectSoundBuffer {
 public:
  // IID_IDirectSound3DListener on a 3-D primary buffer, IID_IDirectSound3DBuffer on a 3-D
  // secondary buffer; out receives an IDirectSound3DListener* or IDirectSound3DBuffer*.
  HRESULT QueryInterface(const GUID& iid, void** out);
  ULONG Release();

  // Primary buffer only: resets the output device to the format's rate.
  HRESULT SetFormat(const WAVEFORMATEX* format);
  HRESULT Lock(DWORD offset, DWORD bytes, void** audio1, DWORD* bytes1, void** audio2,
               DWORD* bytes2, DWORD flags);
  HRESULT Unlock(void* audio1, DWORD bytes1, void* audio2, DWORD bytes2);
  // Hertz; 0 is the sample's own rate.
  HRESULT SetFrequency(DWORD frequency);
  HRESULT GetFrequency(DWORD* frequency);
  HRESULT SetCurrentPosition(DWORD position);
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
  // Plays from the current position; once unless DSBPLAY_LOOPING.
  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
  // Pauses where it is. What was sounding fades out over a few milliseconds on a voice of the
  // device's, so that the stop does not click; status and position are those of a stop at
  // once.
  HRESULT Stop();
  HRESULT GetStatus(DWORD* status);

  // Not DirectSound: the name this buffer goes by in the call record. A name no longer than
  // the one a duplicate was made with is taken without allocating.
  void SetLabel(std::string_view label) { label_.assign(label); }
  const std::string& Label() const { return label_; }
  DWORD Flags() const { return flags_; }
  // Not DirectSound: makes duplicates of this (loaded) buffer ahead, so that while no more
  // than `count` of them are held at once, DuplicateSoundBuffer makes nothing and a release
  // keeps the duplicate for the next: a duplicate per note costs no allocation, no OpenAL
  // source and no wait. They go with this buffer.
  HRESULT PrepareDuplicates(DWORD count);

  // Made by the device and gone with the last Release, never copied.
  IDirectSoundBuffer(const IDirectSoundBuffer&) = delete;
  IDirectSoundBuffer& operator=(const IDirectSoundBuffer&) = delete;

 private:
  friend class IDirectSound;
  friend class IDirectSound3DBuffer;
  friend class IDirectSound3DListener;
  template <typename Params>
  friend class Interface3D;

  IDirectSoundBuffer(std::shared_ptr<AlDevice> device, DWORD flags);
  ~IDirectSoundBuffer();

  static IDirectSoundBuffer* CreatePrimary(std::shared_ptr<AlDevice> device, DWORD flags);
  static HRESULT CreateSecondary(std::shared_ptr<AlDevice> device, const DSBUFFERDESC& desc,
                                 IDirectSoundBuffer** out);
  HRESULT Duplicate(IDirectSoundBuffer** out);
  // A new duplicate with its source, or null.
  IDirectSoundBuffer* MakeDuplicate();
  // A duplicate made ahead, handed out again as a fresh one of `original` would be.
  void Reuse(const IDirectSoundBuffer& original);

  bool IsPrimary() const { return (flags_ & DSBCAPS_PRIMARYBUFFER) != 0; }
  bool Is3D() const { return (flags_ & DSBCAPS_CTRL3D) != 0; }
  // The OpenAL source, created on first need and given the data once it is uploaded; 0 when
  // there is none.
  uint32_t Source();
  void ConfigureSource();
  void ApplyPitch();
  DWORD Frequency() const;
  bool Sounding() const;
  // Stops the sounding source at once and hands what it would have played next to the
  // device's fader.
  void CutOff();
  // Goes with its last reference; a duplicate made ahead waits for the next instead.
  void DestroyIfUnused();

  std::shared_ptr<AlDevice> device_;
  std::shared_ptr<AlSampleData> data_;
  // The OpenAL source of a secondary buffer, 0 until first needed, freed with the buffer;
  // and whether the sample data is attached to it.
  uint32_t source_ = 0;
  bool attached_ = false;
  DWORD flags_ = 0;
  DWORD frequency_ = 0;
  ULONG refs_ = 1;
  bool locked_ = false;
  bool original_ = false;   // made by CreateSoundBuffer: the duplicates made ahead are its
  bool madeAhead_ = false;  // one of those
  std::string label_;
  std::unique_ptr<IDirectSound3DBuffer> buffer3d_;
  std::unique_ptr<IDirectSound3DListener> listener_;
};

}  // namespace dsound

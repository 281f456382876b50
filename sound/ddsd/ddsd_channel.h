// TDDSDChannel: one playback voice. It plays its own duplicate of a sample's buffer, so that
// one sample can sound on several channels at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sound/ddsd/ddsd_params3d.h"
#include "sound/dsound/ds_types.h"

class TDDSDGenWave;
class TDDSDReport;

class TDDSDChannel {
 public:
  // Index is the channel's number in its component; it names the channel's buffers. It
  // reports through its component's `report`.
  TDDSDChannel(int32_t index, TDDSDReport& report);
  ~TDDSDChannel();
  TDDSDChannel(const TDDSDChannel&) = delete;
  TDDSDChannel& operator=(const TDDSDChannel&) = delete;

  // The device the channel duplicates samples on, given by its component once the device is
  // open. Without one the channel does nothing.
  void setDevice(dsound::IDirectSound* device) { device_ = device; }

  // Drops the current duplicate and takes a fresh one of Wave's buffer; with no Wave, or a
  // Wave that holds no sound, the channel stays silent. With the duplicates the sample keeps
  // ready, this allocates nothing and waits for nothing.
  void setWaveData(TDDSDGenWave* Wave);
  // Plays at the sample's rate times Ratio, truncated to whole hertz.
  void SetFrequencyRatio(double Ratio);
  // From the beginning, once.
  void Play();
  // Where it is.
  void Stop();

  TDDSDParams3D* Params3D() { return params3D_.get(); }
  void setParams3D(TDDSDParams3D& value) { params3D_->Assign(value); }
  dsound::IDirectSoundBuffer* Buffer() const { return buffer_; }
  dsound::IDirectSound3DBuffer* Buffer3D() const { return buffer3D_; }
  uint32_t BaseFrequency() const { return baseFrequency_; }
  int32_t Index() const { return index_; }

 private:
  // The channel's settings follow its 3-D buffer.
  void SetBuffer3D(dsound::IDirectSound3DBuffer* buffer3D);

  TDDSDReport& report_;
  const std::string label_;  // "channel N", the name of its duplicates
  dsound::IDirectSound* device_ = nullptr;
  dsound::IDirectSoundBuffer* buffer_ = nullptr;
  dsound::IDirectSound3DBuffer* buffer3D_ = nullptr;
  uint32_t baseFrequency_ = 0;
  std::unique_ptr<TDDSDParams3D> params3D_;
  int32_t index_;
};

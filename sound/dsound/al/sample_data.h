// The sound data that a secondary buffer and its duplicates share, held once. Where OpenAL
// Soft hands its buffers' memory out (AL_SOFTX_map_buffer), the data lives in the OpenAL
// buffer itself, mapped for good: what Lock hands out is what the mixer reads, and Unlock
// copies nothing. Otherwise (an older OpenAL, or a size that is not a whole number of
// frames) it is kept here and Unlock uploads a copy.
//
// It also keeps the duplicates made ahead of need (IDirectSoundBuffer::PrepareDuplicates):
// a released one waits here for the next DuplicateSoundBuffer, until the original goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/dsound/al/handles.h"
#include "sound/dsound/ds_types.h"

namespace dsound {

class AlDevice;

class AlSampleData {
 public:
  // Data of `bytes` bytes in `format` (an OpenAL format matching `wave`), all zero; null
  // when no memory can be had. The device's context must be current.
  static std::shared_ptr<AlSampleData> Make(std::shared_ptr<AlDevice> device,
                                            const WAVEFORMATEX& wave, ALenum format, DWORD bytes);
  ~AlSampleData();
  AlSampleData(const AlSampleData&) = delete;
  AlSampleData& operator=(const AlSampleData&) = delete;

  uint8_t* Bytes() const { return bytes_; }
  std::size_t Size() const { return size_; }
  // Whether Unlock gives OpenAL a copy, or the mixer reads these very bytes.
  bool Mapped() const { return mapped_; }
  // After the bytes are written: a copy for OpenAL where it keeps one; false when it
  // refuses. Sources playing the data must let go of it first.
  bool Upload();
  // The OpenAL buffer, once it holds the data.
  ALuint Buffer() const { return uploaded_ ? buffer_.get() : 0; }

  DWORD rate = 0;
  DWORD blockAlign = 1;
  int channels = 1;
  int bits = 16;

  // Duplicates made ahead and not held (refs 0), and how many were made ahead in all; they
  // go back here while the original buffer lives.
  std::vector<IDirectSoundBuffer*> spare;
  std::size_t madeAhead = 0;
  bool keepsSpares = true;

 private:
  AlSampleData() = default;

  std::shared_ptr<AlDevice> device_;  // first, so that it outlives the buffer below
  al::Buffer buffer_;
  ALenum format_ = 0;
  std::vector<uint8_t> own_;  // the data, where OpenAL does not hand its memory out
  uint8_t* bytes_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  bool uploaded_ = false;
};

}  // namespace dsound

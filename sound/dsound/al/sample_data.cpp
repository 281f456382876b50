#include "sound/dsound/al/sample_data.h"

#include <cstring>
#include <new>

#include "sound/dsound/al/device.h"

namespace dsound {

std::shared_ptr<AlSampleData> AlSampleData::Make(std::shared_ptr<AlDevice> device,
                                                 const WAVEFORMATEX& wave, ALenum format,
                                                 DWORD bytes) {
  std::shared_ptr<AlSampleData> data(new AlSampleData);
  data->rate = wave.nSamplesPerSec;
  data->blockAlign = static_cast<DWORD>(wave.nChannels) * (wave.wBitsPerSample / 8u);
  data->channels = wave.nChannels;
  data->bits = wave.wBitsPerSample;
  data->format_ = format;
  data->size_ = bytes;
  data->buffer_ = al::GenBuffer();
  if (!data->buffer_) return nullptr;

  const AlExtensions& ext = device->Extensions();
  if (ext.bufferStorage != nullptr && bytes % data->blockAlign == 0) {
    alGetError();
    ext.bufferStorage(data->buffer_.get(), format, nullptr, static_cast<ALsizei>(bytes),
                      static_cast<ALsizei>(data->rate), kAlMapReadWritePersistent);
    void* mapped = alGetError() == AL_NO_ERROR
                       ? ext.mapBuffer(data->buffer_.get(), 0, static_cast<ALsizei>(bytes),
                                       kAlMapReadWritePersistent)
                       : nullptr;
    if (mapped != nullptr) {
      data->bytes_ = static_cast<uint8_t*>(mapped);
      data->mapped_ = true;
      std::memset(data->bytes_, 0, bytes);  // OpenAL leaves new storage as it finds it
    }
  }
  if (!data->mapped_) {
    try {
      data->own_.resize(bytes);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    data->bytes_ = data->own_.data();
  }
  data->device_ = std::move(device);
  return data;
}

AlSampleData::~AlSampleData() {
  // The device's lock is held, so its context is current.
  if (mapped_) device_->Extensions().unmapBuffer(buffer_.get());
}

bool AlSampleData::Upload() {
  if (!mapped_) {
    alGetError();
    const std::size_t whole = size_ - size_ % blockAlign;
    alBufferData(buffer_.get(), format_, bytes_, static_cast<ALsizei>(whole),
                 static_cast<ALsizei>(rate));
    if (alGetError() != AL_NO_ERROR) return false;
  }
  uploaded_ = true;
  return true;
}

}  // namespace dsound

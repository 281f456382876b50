#include "sound/dsound/ds_buffer.h"

#include <AL/alext.h>

#include <cstdio>
#include <new>
#include <type_traits>
#include <vector>

#include "sound/dsound/al/device.h"
#include "sound/dsound/al/device_lock.h"
#include "sound/dsound/al/handles.h"
#include "sound/dsound/ds_3dbuffer.h"
#include "sound/dsound/ds_3dlistener.h"
#include "sound/dsound/ds_seam.h"

namespace dsound {

// The sound data that a buffer and its duplicates share.
struct IDirectSoundBuffer::SampleData {
  std::shared_ptr<AlDevice> device;  // first, so it outlives the OpenAL buffer below
  std::vector<uint8_t> pcm;
  al::Buffer buffer;
  ALenum format = 0;
  DWORD rate = 0;
  DWORD blockAlign = 1;
  int channels = 1;
  int bits = 16;
  bool uploaded = false;

  ~SampleData() {
    if (buffer) device->MakeCurrent();
  }
};

static_assert(std::is_same_v<ALuint, uint32_t>);

namespace {

// The PCM layouts OpenAL takes as they are; anything else the device cannot play.
ALenum AlFormatOf(const WAVEFORMATEX& format) {
  if (format.wFormatTag != WAVE_FORMAT_PCM) return 0;
  if (format.nSamplesPerSec < DSBFREQUENCY_MIN || format.nSamplesPerSec > DSBFREQUENCY_MAX)
    return 0;
  if (format.nChannels == 1 && format.wBitsPerSample == 8) return AL_FORMAT_MONO8;
  if (format.nChannels == 1 && format.wBitsPerSample == 16) return AL_FORMAT_MONO16;
  if (format.nChannels == 2 && format.wBitsPerSample == 8) return AL_FORMAT_STEREO8;
  if (format.nChannels == 2 && format.wBitsPerSample == 16) return AL_FORMAT_STEREO16;
  return 0;
}

}  // namespace

IDirectSoundBuffer::IDirectSoundBuffer(std::shared_ptr<AlDevice> device, DWORD flags)
    : device_(std::move(device)), flags_(flags) {}

IDirectSoundBuffer::~IDirectSoundBuffer() {
  // The source must go while its context is current, and before the shared data. A buffer
  // released while it sounds is cut, as a stopped one is.
  if (source_ == 0) return;
  device_->MakeCurrent();
  if (Sounding()) CutOff();
  device_->Untrack(source_);
  al::DeleteSource(source_);
}

IDirectSoundBuffer* IDirectSoundBuffer::CreatePrimary(std::shared_ptr<AlDevice> device,
                                                      DWORD flags) {
  auto* buffer = new IDirectSoundBuffer(std::move(device), flags);
  buffer->label_ = "primary";
  return buffer;
}

HRESULT IDirectSoundBuffer::CreateSecondary(std::shared_ptr<AlDevice> device,
                                            const DSBUFFERDESC& desc, IDirectSoundBuffer** out) {
  if (desc.lpwfxFormat == nullptr || desc.dwBufferBytes < DSBSIZE_MIN ||
      desc.dwBufferBytes > DSBSIZE_MAX)
    return DSERR_INVALIDPARAM;
  const WAVEFORMATEX& format = *desc.lpwfxFormat;
  ALenum alFormat = AlFormatOf(format);
  if (alFormat == 0) return DSERR_BADFORMAT;
  // As in DirectSound, only mono data can be placed in space.
  if ((desc.dwFlags & DSBCAPS_CTRL3D) != 0 && format.nChannels != 1) return DSERR_INVALIDPARAM;

  auto data = std::make_shared<SampleData>();
  data->device = device;
  try {
    data->pcm.resize(desc.dwBufferBytes);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  data->format = alFormat;
  data->rate = format.nSamplesPerSec;
  data->blockAlign = static_cast<DWORD>(format.nChannels) * (format.wBitsPerSample / 8u);
  data->channels = format.nChannels;
  data->bits = format.wBitsPerSample;

  auto* buffer = new IDirectSoundBuffer(std::move(device), desc.dwFlags);
  buffer->data_ = std::move(data);
  buffer->frequency_ = format.nSamplesPerSec;
  buffer->label_ = "buffer";
  *out = buffer;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Duplicate(IDirectSoundBuffer** out) {
  if (IsPrimary() || !data_) return DSERR_INVALIDCALL;
  auto* copy = new IDirectSoundBuffer(device_, flags_);
  copy->data_ = data_;
  copy->frequency_ = frequency_;
  copy->label_ = label_;
  if (copy->Source() == 0) {
    delete copy;
    return DSERR_OUTOFMEMORY;
  }
  *out = copy;
  return DS_OK;
}

uint32_t IDirectSoundBuffer::Source() {
  if (IsPrimary()) return 0;
  device_->MakeCurrent();
  if (source_ == 0) {
    source_ = al::GenSource().release();
    if (source_ == 0) return 0;
    device_->Track(source_);
    ConfigureSource();
  }
  if (!attached_ && data_->uploaded) {
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(data_->buffer.get()));
    attached_ = true;
  }
  return source_;
}

void IDirectSoundBuffer::ConfigureSource() {
  if (Is3D()) {
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(source_, AL_ROLLOFF_FACTOR, device_->Rolloff());
  } else {
    device_->Centre(source_);
  }
  ApplyPitch();
}

void IDirectSoundBuffer::ApplyPitch() {
  if (source_ == 0 || !data_ || data_->rate == 0) return;
  alSourcef(source_, AL_PITCH, static_cast<float>(static_cast<double>(Frequency()) / data_->rate));
}

DWORD IDirectSoundBuffer::Frequency() const {
  return frequency_ == DSBFREQUENCY_ORIGINAL ? data_->rate : frequency_;
}

bool IDirectSoundBuffer::Sounding() const {
  ALint state = AL_INITIAL;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void IDirectSoundBuffer::CutOff() {
  alSourcePause(source_);
  CutVoice cut;
  cut.source = source_;
  cut.placed = Is3D();
  cut.pcm = data_->pcm.data();
  cut.frames = data_->pcm.size() / data_->blockAlign;
  cut.channels = data_->channels;
  cut.bits = data_->bits;
  ALint looping = AL_FALSE;
  alGetSourcei(source_, AL_LOOPING, &looping);
  cut.looping = looping == AL_TRUE;
  cut.position = device_->PlayPosition(source_);
  cut.step = static_cast<double>(Frequency()) / device_->MixRate();
  device_->FadeOut(cut);
}

void IDirectSoundBuffer::DestroyIfUnused() {
  if (refs_ > 0) return;
  if (buffer3d_ && buffer3d_->refs_ > 0) return;
  if (listener_ && listener_->refs_ > 0) return;
  delete this;
}

HRESULT IDirectSoundBuffer::QueryInterface(const GUID& iid, void** out) {
  const DeviceLock lock;
  const char* name = iid == IID_IDirectSound3DListener ? "IDirectSound3DListener"
                     : iid == IID_IDirectSound3DBuffer ? "IDirectSound3DBuffer"
                                                       : "unknown";
  if (HRESULT forced = SeamCheck(DsOp::QueryInterface, label_,
                                 [&] { return std::string("QueryInterface(") + name + ")"; }))
    return forced;
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (!Is3D()) return DSERR_NOINTERFACE;
  if (IsPrimary() && iid == IID_IDirectSound3DListener) {
    if (!listener_) listener_.reset(new IDirectSound3DListener(this));
    listener_->refs_++;
    *out = listener_.get();
    return DS_OK;
  }
  if (!IsPrimary() && iid == IID_IDirectSound3DBuffer) {
    if (!buffer3d_) buffer3d_.reset(new IDirectSound3DBuffer(this));
    buffer3d_->refs_++;
    *out = buffer3d_.get();
    return DS_OK;
  }
  return DSERR_NOINTERFACE;
}

ULONG IDirectSoundBuffer::Release() {
  const DeviceLock lock;
  HRESULT forced = SeamCheck(DsOp::Release, label_, [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::SetFormat, label_, [&] {
        if (format == nullptr) return std::string("SetFormat(none)");
        char text[128];
        std::snprintf(text, sizeof text, "SetFormat(tag=%u,ch=%u,rate=%u,avg=%u,align=%u,bits=%u)",
                      format->wFormatTag, format->nChannels, format->nSamplesPerSec,
                      format->nAvgBytesPerSec, format->nBlockAlign, format->wBitsPerSample);
        return std::string(text);
      }))
    return forced;
  if (!IsPrimary()) return DSERR_INVALIDCALL;
  if (format == nullptr || AlFormatOf(*format) == 0) return DSERR_BADFORMAT;
  return device_->Reset(static_cast<int32_t>(format->nSamplesPerSec)) ? DS_OK : DSERR_GENERIC;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, void** audio1, DWORD* bytes1,
                                 void** audio2, DWORD* bytes2, DWORD flags) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::Lock, label_, [] { return std::string("Lock"); }))
    return forced;
  if (IsPrimary() || audio1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
  if (locked_) return DSERR_INVALIDCALL;
  DWORD size = static_cast<DWORD>(data_->pcm.size());
  if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
    offset = 0;
    bytes = size;
  }
  if (offset > size || bytes > size - offset) return DSERR_INVALIDPARAM;
  *audio1 = data_->pcm.data() + offset;
  *bytes1 = bytes;
  if (audio2 != nullptr) *audio2 = nullptr;
  if (bytes2 != nullptr) *bytes2 = 0;
  locked_ = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* audio1, DWORD bytes1, void* audio2, DWORD bytes2) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::Unlock, label_, [] { return std::string("Unlock"); }))
    return forced;
  (void)audio2;
  (void)bytes2;
  if (!locked_ || audio1 == nullptr) return DSERR_INVALIDPARAM;
  auto* first = static_cast<uint8_t*>(audio1);
  if (first < data_->pcm.data() || bytes1 > data_->pcm.size()) return DSERR_INVALIDPARAM;
  locked_ = false;

  device_->MakeCurrent();
  // Our own source lets go of the data while it is replaced; duplicates holding it refuse.
  if (attached_) {
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    attached_ = false;
  }
  if (!data_->buffer) data_->buffer = al::GenBuffer();
  if (!data_->buffer) return DSERR_OUTOFMEMORY;
  alGetError();
  size_t whole = data_->pcm.size() - data_->pcm.size() % data_->blockAlign;
  alBufferData(data_->buffer.get(), data_->format, data_->pcm.data(), static_cast<ALsizei>(whole),
               static_cast<ALsizei>(data_->rate));
  if (alGetError() != AL_NO_ERROR) return DSERR_GENERIC;
  data_->uploaded = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD frequency) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::SetFrequency, label_,
                                 [&] { return "SetFrequency(" + std::to_string(frequency) + ")"; }))
    return forced;
  if (IsPrimary()) return DSERR_INVALIDCALL;
  if (frequency != DSBFREQUENCY_ORIGINAL &&
      (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
    return DSERR_INVALIDPARAM;
  frequency_ = frequency;
  if (source_ != 0) {
    device_->MakeCurrent();
    ApplyPitch();
  }
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(DWORD* frequency) {
  const DeviceLock lock;
  if (frequency == nullptr || IsPrimary()) return DSERR_INVALIDPARAM;
  *frequency = frequency_ == DSBFREQUENCY_ORIGINAL ? data_->rate : frequency_;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::SetCurrentPosition, label_, [&] {
        return "SetCurrentPosition(" + std::to_string(position) + ")";
      }))
    return forced;
  if (IsPrimary()) return DSERR_INVALIDCALL;
  if (position > data_->pcm.size()) return DSERR_INVALIDPARAM;
  ALuint source = Source();
  if (source == 0) return DSERR_GENERIC;
  if (!attached_) return DS_OK;
  const auto offset = static_cast<ALint>(position - position % data_->blockAlign);
  // A jump while sounding is a cut too: the old place fades out, the new one sounds at once.
  bool jumped = false;
  if (Sounding()) {
    ALint now = 0;
    alGetSourcei(source, AL_BYTE_OFFSET, &now);
    if (now != offset) {
      CutOff();
      jumped = true;
    }
  }
  alGetError();
  alSourcei(source, AL_BYTE_OFFSET, offset);
  // An offset past the uploaded frames is simply not taken; a cut voice then stays stopped.
  if (alGetError() == AL_NO_ERROR && jumped) alSourcePlay(source);
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  const DeviceLock lock;
  if (IsPrimary()) return DSERR_INVALIDCALL;
  ALint offset = 0;
  if (ALuint source = Source(); source != 0) alGetSourcei(source, AL_BYTE_OFFSET, &offset);
  if (play != nullptr) *play = static_cast<DWORD>(offset);
  if (write != nullptr) *write = static_cast<DWORD>(offset);
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::Play, label_, [] { return std::string("Play"); }))
    return forced;
  (void)reserved;
  (void)priority;
  if (IsPrimary()) return DS_OK;  // the primary buffer always plays the mix
  ALuint source = Source();
  if (source == 0) return DSERR_GENERIC;
  alSourcei(source, AL_LOOPING, (flags & DSBPLAY_LOOPING) != 0 ? AL_TRUE : AL_FALSE);
  ALint state = AL_INITIAL;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  // A playing buffer goes on where it is, as in DirectSound; OpenAL would restart it.
  if (state != AL_PLAYING) alSourcePlay(source);
  device_->Wake();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::Stop, label_, [] { return std::string("Stop"); }))
    return forced;
  if (IsPrimary() || source_ == 0) return DS_OK;
  device_->MakeCurrent();
  if (Sounding()) CutOff();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
  const DeviceLock lock;
  if (status == nullptr) return DSERR_INVALIDPARAM;
  *status = 0;
  if (IsPrimary() || source_ == 0) return DS_OK;
  device_->MakeCurrent();
  ALuint source = source_;
  ALint state = AL_INITIAL;
  ALint looping = AL_FALSE;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  alGetSourcei(source, AL_LOOPING, &looping);
  if (state == AL_PLAYING) *status = DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0);
  return DS_OK;
}

}  // namespace dsound

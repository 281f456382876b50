#include "sound/dsound/ds_buffer.h"

#include <AL/alext.h>

#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "sound/dsound/al/device.h"
#include "sound/dsound/al/device_lock.h"
#include "sound/dsound/al/handles.h"
#include "sound/dsound/al/sample_data.h"
#include "sound/dsound/ds_3dbuffer.h"
#include "sound/dsound/ds_3dlistener.h"
#include "sound/dsound/ds_seam.h"

namespace dsound {

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
  // The duplicates made ahead go with the original; one still held goes when it is released.
  if (original_ && data_) {
    data_->keepsSpares = false;
    for (IDirectSoundBuffer* spare : data_->spare) delete spare;
    data_->spare.clear();
  }
  // The source must go while its context is current (the lock is held), and before the
  // shared data. A buffer released while it sounds is cut, as a stopped one is.
  if (source_ == 0) return;
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

  std::shared_ptr<AlSampleData> data =
      AlSampleData::Make(device, format, alFormat, desc.dwBufferBytes);
  if (!data) return DSERR_OUTOFMEMORY;

  auto* buffer = new IDirectSoundBuffer(std::move(device), desc.dwFlags);
  buffer->data_ = std::move(data);
  buffer->frequency_ = format.nSamplesPerSec;
  buffer->label_ = "buffer";
  buffer->original_ = true;
  *out = buffer;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Duplicate(IDirectSoundBuffer** out) {
  if (IsPrimary() || !data_) return DSERR_INVALIDCALL;
  if (!data_->spare.empty()) {
    IDirectSoundBuffer* copy = data_->spare.back();
    data_->spare.pop_back();
    copy->Reuse(*this);
    *out = copy;
    return DS_OK;
  }
  IDirectSoundBuffer* copy = MakeDuplicate();
  if (copy == nullptr) return DSERR_OUTOFMEMORY;
  *out = copy;
  return DS_OK;
}

IDirectSoundBuffer* IDirectSoundBuffer::MakeDuplicate() {
  auto* copy = new IDirectSoundBuffer(device_, flags_);
  copy->data_ = data_;
  copy->frequency_ = frequency_;
  copy->label_ = label_;
  if (copy->Source() == 0) {
    delete copy;
    return nullptr;
  }
  return copy;
}

HRESULT IDirectSoundBuffer::PrepareDuplicates(DWORD count) {
  const DeviceLock lock(device_->LockState());
  if (!original_ || data_->Buffer() == 0) return DSERR_INVALIDCALL;
  if (data_->madeAhead >= count) return DS_OK;
  // Room for all of them, so that neither a release nor a hand-out ever allocates.
  data_->spare.reserve(count);
  device_->ReserveTracked(count);
  std::vector<ALuint> sources(count - data_->madeAhead);
  alGetError();
  alGenSources(static_cast<ALsizei>(sources.size()), sources.data());
  if (alGetError() != AL_NO_ERROR) return DSERR_OUTOFMEMORY;
  for (ALuint source : sources) {
    // Made as Duplicate makes one, but never held yet: a spare keeps no output awake.
    auto* copy = new IDirectSoundBuffer(device_, flags_);
    copy->data_ = data_;
    copy->frequency_ = frequency_;
    copy->label_.reserve(std::max<std::size_t>(label_.size(), 32));  // room for any name it gets
    copy->label_ = label_;
    copy->madeAhead_ = true;
    copy->refs_ = 0;
    copy->source_ = source;
    copy->ConfigureSource();
    copy->Source();  // attaches the data
    if (Is3D()) copy->buffer3d_.reset(new IDirectSound3DBuffer(copy));
    data_->spare.push_back(copy);
    ++data_->madeAhead;
  }
  return DS_OK;
}

void IDirectSoundBuffer::Reuse(const IDirectSoundBuffer& original) {
  refs_ = 1;
  locked_ = false;
  frequency_ = original.frequency_;
  label_.assign(original.label_);
  // Stopped at the start, playing once, as a new duplicate starts.
  alSourceRewind(source_);
  alSourcei(source_, AL_LOOPING, AL_FALSE);
  if (buffer3d_) buffer3d_->Reset(kDefault3DBuffer);
  ApplyPitch();
  device_->Track(source_);
}

uint32_t IDirectSoundBuffer::Source() {
  if (IsPrimary()) return 0;
  if (source_ == 0) {
    source_ = al::GenSource().release();
    if (source_ == 0) return 0;
    device_->Track(source_);
    ConfigureSource();
  }
  if (!attached_ && data_->Buffer() != 0) {
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(data_->Buffer()));
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
  if (Frequency() != data_->rate) ApplyPitch();  // a new source plays at pitch 1
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
  cut.pcm = data_->Bytes();
  cut.frames = data_->Size() / data_->blockAlign;
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
  if (madeAhead_ && data_->keepsSpares) {
    // Cut as a released buffer is, and kept (in room made ahead) for the next duplicate.
    if (Sounding()) CutOff();
    device_->Untrack(source_);
    data_->spare.push_back(this);
    return;
  }
  delete this;
}

HRESULT IDirectSoundBuffer::QueryInterface(const GUID& iid, void** out) {
  const DeviceLock lock(device_->LockState());
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
  const DeviceLock lock(device_->LockState());
  HRESULT forced = SeamCheck(DsOp::Release, label_, [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
  const DeviceLock lock(device_->LockState());
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
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::Lock, label_, [] { return std::string("Lock"); }))
    return forced;
  if (IsPrimary() || audio1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
  if (locked_) return DSERR_INVALIDCALL;
  const auto size = static_cast<DWORD>(data_->Size());
  if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
    offset = 0;
    bytes = size;
  }
  if (offset > size || bytes > size - offset) return DSERR_INVALIDPARAM;
  *audio1 = data_->Bytes() + offset;
  *bytes1 = bytes;
  if (audio2 != nullptr) *audio2 = nullptr;
  if (bytes2 != nullptr) *bytes2 = 0;
  locked_ = true;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* audio1, DWORD bytes1, void* audio2, DWORD bytes2) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::Unlock, label_, [] { return std::string("Unlock"); }))
    return forced;
  (void)audio2;
  (void)bytes2;
  if (!locked_ || audio1 == nullptr) return DSERR_INVALIDPARAM;
  auto* first = static_cast<uint8_t*>(audio1);
  if (first < data_->Bytes() || bytes1 > data_->Size()) return DSERR_INVALIDPARAM;
  locked_ = false;
  if (data_->Mapped()) return data_->Upload() ? DS_OK : DSERR_GENERIC;  // written in place

  // A copy replaces OpenAL's: our own source and the spares let go of the data meanwhile;
  // duplicates held elsewhere make OpenAL refuse.
  if (attached_) {
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    attached_ = false;
  }
  for (IDirectSoundBuffer* spare : data_->spare) {
    alSourcei(spare->source_, AL_BUFFER, 0);
    spare->attached_ = false;
  }
  const bool uploaded = data_->Upload();
  for (IDirectSoundBuffer* spare : data_->spare) spare->Source();
  return uploaded ? DS_OK : DSERR_GENERIC;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD frequency) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::SetFrequency, label_,
                                 [&] { return "SetFrequency(" + std::to_string(frequency) + ")"; }))
    return forced;
  if (IsPrimary()) return DSERR_INVALIDCALL;
  if (frequency != DSBFREQUENCY_ORIGINAL &&
      (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
    return DSERR_INVALIDPARAM;
  frequency_ = frequency;
  if (source_ != 0) ApplyPitch();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(DWORD* frequency) {
  const DeviceLock lock(device_->LockState());
  if (frequency == nullptr || IsPrimary()) return DSERR_INVALIDPARAM;
  *frequency = frequency_ == DSBFREQUENCY_ORIGINAL ? data_->rate : frequency_;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::SetCurrentPosition, label_, [&] {
        return "SetCurrentPosition(" + std::to_string(position) + ")";
      }))
    return forced;
  if (IsPrimary()) return DSERR_INVALIDCALL;
  if (position > data_->Size()) return DSERR_INVALIDPARAM;
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
  const DeviceLock lock(device_->LockState());
  if (IsPrimary()) return DSERR_INVALIDCALL;
  ALint offset = 0;
  if (ALuint source = Source(); source != 0) alGetSourcei(source, AL_BYTE_OFFSET, &offset);
  if (play != nullptr) *play = static_cast<DWORD>(offset);
  if (write != nullptr) *write = static_cast<DWORD>(offset);
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
  const DeviceLock lock(device_->LockState());
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
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::Stop, label_, [] { return std::string("Stop"); }))
    return forced;
  if (IsPrimary() || source_ == 0) return DS_OK;
  if (Sounding()) CutOff();
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
  const DeviceLock lock(device_->LockState());
  if (status == nullptr) return DSERR_INVALIDPARAM;
  *status = 0;
  if (IsPrimary() || source_ == 0) return DS_OK;
  ALuint source = source_;
  ALint state = AL_INITIAL;
  ALint looping = AL_FALSE;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  alGetSourcei(source, AL_LOOPING, &looping);
  if (state == AL_PLAYING) *status = DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0);
  return DS_OK;
}

}  // namespace dsound

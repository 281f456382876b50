#include "sound/dsound/ds_device.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "sound/dsound/al/device.h"
#include "sound/dsound/al/device_lock.h"
#include "sound/dsound/ds_buffer.h"
#include "sound/dsound/ds_seam.h"
#include "sound/dsound/dsound.h"
#include "sound/dsound/live_output.h"

namespace dsound {
namespace {

struct TFactory {
  std::mutex mutex;
  LiveOutputFactory make;
};

TFactory& Factory() {
  static TFactory factory;
  return factory;
}

std::unique_ptr<LiveOutput> MakeLiveOutput() {
  LiveOutputFactory make;
  {
    const std::lock_guard<std::mutex> hold(Factory().mutex);
    make = Factory().make;
  }
  return make ? make() : nullptr;
}

}  // namespace

void SetLiveOutputFactory(LiveOutputFactory factory) {
  const std::lock_guard<std::mutex> hold(Factory().mutex);
  Factory().make = std::move(factory);
}

HRESULT DirectSoundCreate(const GUID* device, IDirectSound** out, void* outer) {
  if (HRESULT forced =
          SeamCheck(DsOp::DirectSoundCreate, {}, [] { return std::string("DirectSoundCreate"); }))
    return forced;
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (device != nullptr || outer != nullptr) return DSERR_INVALIDPARAM;
  // The output starts outside the lock: it may wait for its thread, which pulls under it.
  std::shared_ptr<AlDevice> opened = AlDevice::OpenLive(MakeLiveOutput());
  if (!opened) return DSERR_NODRIVER;
  *out = new IDirectSound(std::move(opened));
  return DS_OK;
}

HRESULT DirectSoundCreateOffline(int32_t mixRate, IDirectSound** out) {
  if (HRESULT forced = SeamCheck(DsOp::DirectSoundCreateOffline, {}, [&] {
        return "DirectSoundCreateOffline(" + std::to_string(mixRate) + ")";
      }))
    return forced;
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (mixRate <= 0) return DSERR_INVALIDPARAM;
  std::shared_ptr<AlDevice> opened = AlDevice::OpenLoopback(mixRate);
  if (!opened) return DSERR_NODRIVER;
  *out = new IDirectSound(std::move(opened));
  return DS_OK;
}

bool InLivePull() { return DeviceLock::InPull(); }

IDirectSound::IDirectSound(std::shared_ptr<AlDevice> device) : device_(std::move(device)) {}

IDirectSound::~IDirectSound() = default;

HRESULT IDirectSound::SetCooperativeLevel(HWND window, DWORD level) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::SetCooperativeLevel, {},
                                 [] { return std::string("SetCooperativeLevel"); }))
    return forced;
  (void)window;  // OpenAL mixes for the whole session; focus does not matter
  if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  level_ = level;
  return DS_OK;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out,
                                        void* outer) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::CreateSoundBuffer, {}, [&] {
        if (desc != nullptr && (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0)
          return std::string("CreateSoundBuffer(primary)");
        char flags[32] = "none";
        if (desc != nullptr) std::snprintf(flags, sizeof flags, "0x%X", desc->dwFlags);
        return std::string("CreateSoundBuffer(") + flags + ")";
      }))
    return forced;
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (desc == nullptr || outer != nullptr) return DSERR_INVALIDPARAM;
  if (desc->dwSize != kDsBufferDescSize && desc->dwSize != sizeof(DSBUFFERDESC))
    return DSERR_INVALIDPARAM;
  if ((desc->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0) {
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
    *out = IDirectSoundBuffer::CreatePrimary(device_, desc->dwFlags);
    return DS_OK;
  }
  return IDirectSoundBuffer::CreateSecondary(device_, *desc, out);
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out) {
  const DeviceLock lock(device_->LockState());
  if (HRESULT forced = SeamCheck(DsOp::DuplicateSoundBuffer, {}, [&] {
        return "DuplicateSoundBuffer(" + (original ? original->Label() : std::string("none")) + ")";
      }))
    return forced;
  if (out == nullptr) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (original == nullptr) return DSERR_INVALIDPARAM;
  return original->Duplicate(out);
}

ULONG IDirectSound::Release() {
  const DeviceLock lock(device_->LockState());
  HRESULT forced = SeamCheck(DsOp::Release, "DirectSound", [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  if (left == 0) delete this;
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

bool IDirectSound::IsOffline() const { return !device_->IsLive(); }

int32_t IDirectSound::MixRate() const {
  if (device_->IsLive()) return device_->MixRate();  // fixed from the start, never waits
  const DeviceLock lock(device_->LockState());
  return device_->MixRate();
}

bool IDirectSound::RenderOffline(float* out, uint32_t frames) {
  const DeviceLock lock(device_->LockState());
  if (!IsOffline()) return false;
  device_->MixBlock(out, frames);
  return true;
}

std::vector<float> IDirectSound::RenderOffline(uint32_t frames) {
  if (!IsOffline()) return {};
  std::vector<float> mix(static_cast<size_t>(frames) * 2);
  RenderOffline(mix.data(), frames);
  return mix;
}

int64_t IDirectSound::MixedFrames() const {
  const DeviceLock lock(device_->LockState());
  return device_->MixedFrames();
}

int64_t IDirectSound::HeardFrame() const {
  if (device_->IsLive()) return device_->HeardFrame();  // the output's own, never waits
  return MixedFrames();
}

void IDirectSound::SetBlockMixer(BlockMixer mixer) {
  const DeviceLock lock(device_->LockState());
  device_->SetBlockMixer(std::move(mixer));
}

void IDirectSound::Mix(float* out, uint32_t frames) {
  const DeviceLock lock(device_->LockState());
  device_->Render(out, frames);
}

void IDirectSound::Wake() { device_->Wake(); }

void IDirectSound::PreferLongBlocks(bool yes) { device_->PreferLongBlocks(yes); }

void IDirectSound::SetLimiter(bool limited) {
  const DeviceLock lock(device_->LockState());
  if (!device_->IsLive()) device_->SetLimited(limited);
}

int32_t IDirectSound::LimiterDelay() const {
  const DeviceLock lock(device_->LockState());
  return device_->LimiterDelay();
}

}  // namespace dsound

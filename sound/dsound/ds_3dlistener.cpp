#include "sound/dsound/ds_3dlistener.h"

#include <AL/al.h>

#include <string>

#include "sound/dsound/al/device.h"
#include "sound/dsound/ds_buffer.h"
#include "sound/dsound/ds_seam.h"

namespace dsound {
namespace {

constexpr float kSpeedOfSound = 343.3f;  // metres per second

bool Valid(const DS3DLISTENER& p) {
  return p.dwSize == sizeof(DS3DLISTENER) && p.flDistanceFactor > 0.0f &&
         p.flRolloffFactor >= 0.0f && p.flRolloffFactor <= DS3D_MAXROLLOFFFACTOR &&
         p.flDopplerFactor >= 0.0f && p.flDopplerFactor <= DS3D_MAXDOPPLERFACTOR;
}

}  // namespace

IDirectSound3DListener::IDirectSound3DListener(IDirectSoundBuffer* owner)
    : owner_(owner), params_(kDefault3DListener) {}

IDirectSound3DListener::~IDirectSound3DListener() = default;

ULONG IDirectSound3DListener::Release() {
  HRESULT forced = SeamCheck(DsOp::Release, "listener", [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  owner_->DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

HRESULT IDirectSound3DListener::GetAllParameters(DS3DLISTENER* params) {
  if (params == nullptr) return DSERR_INVALIDPARAM;
  *params = params_;
  return DS_OK;
}

HRESULT IDirectSound3DListener::SetAllParameters(const DS3DLISTENER* params, DWORD apply) {
  if (HRESULT forced = SeamCheck(DsOp::SetAllParameters, "listener",
                                 [] { return std::string("SetAllParameters"); }))
    return forced;
  (void)apply;  // every change is immediate
  if (params == nullptr || !Valid(*params)) return DSERR_INVALIDPARAM;
  params_ = *params;
  const DS3DLISTENER& p = params_;
  AlDevice& device = *owner_->device_;
  device.MakeCurrent();
  alListener3f(AL_POSITION, p.vPosition.x, p.vPosition.y, -p.vPosition.z);
  alListener3f(AL_VELOCITY, p.vVelocity.x, p.vVelocity.y, -p.vVelocity.z);
  const ALfloat orientation[] = {p.vOrientFront.x, p.vOrientFront.y, -p.vOrientFront.z,
                                 p.vOrientTop.x,   p.vOrientTop.y,   -p.vOrientTop.z};
  alListenerfv(AL_ORIENTATION, orientation);
  // The distance factor is metres per unit; OpenAL wants the speed of sound in units.
  alSpeedOfSound(kSpeedOfSound / p.flDistanceFactor);
  alDopplerFactor(p.flDopplerFactor);
  device.SetRolloff(p.flRolloffFactor);
  return DS_OK;
}

}  // namespace dsound

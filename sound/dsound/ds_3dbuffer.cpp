#include "sound/dsound/ds_3dbuffer.h"

#include <AL/alext.h>

#include <cmath>
#include <string>

#include "sound/dsound/al/device.h"
#include "sound/dsound/ds_buffer.h"
#include "sound/dsound/ds_seam.h"

namespace dsound {
namespace {

std::string LabelOf(const IDirectSoundBuffer& owner) { return owner.Label() + "/3D"; }

bool Valid(const DS3DBUFFER& p) {
  return p.dwSize == sizeof(DS3DBUFFER) && p.dwInsideConeAngle <= DS3D_MAXCONEANGLE &&
         p.dwOutsideConeAngle <= DS3D_MAXCONEANGLE && p.lConeOutsideVolume <= DSBVOLUME_MAX &&
         p.lConeOutsideVolume >= DSBVOLUME_MIN && p.flMinDistance > 0.0f &&
         p.flMaxDistance >= p.flMinDistance && p.dwMode <= DS3DMODE_DISABLE;
}

// DirectSound volumes are hundredths of a decibel.
float AmplitudeOf(int32_t volume) {
  constexpr float kHundredthsPerDecade = 2000.0f;  // 20 dB per tenfold amplitude
  return std::pow(10.0f, static_cast<float>(volume) / kHundredthsPerDecade);
}

}  // namespace

IDirectSound3DBuffer::IDirectSound3DBuffer(IDirectSoundBuffer* owner)
    : owner_(owner), params_(kDefault3DBuffer) {
  Apply();
}

IDirectSound3DBuffer::~IDirectSound3DBuffer() = default;

ULONG IDirectSound3DBuffer::Release() {
  HRESULT forced =
      SeamCheck(DsOp::Release, LabelOf(*owner_), [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  owner_->DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

HRESULT IDirectSound3DBuffer::GetAllParameters(DS3DBUFFER* params) {
  if (HRESULT forced = SeamCheck(DsOp::GetAllParameters, LabelOf(*owner_),
                                 [] { return std::string("GetAllParameters"); }))
    return forced;
  if (params == nullptr) return DSERR_INVALIDPARAM;
  *params = params_;
  return DS_OK;
}

HRESULT IDirectSound3DBuffer::SetAllParameters(const DS3DBUFFER* params, DWORD apply) {
  if (HRESULT forced = SeamCheck(DsOp::SetAllParameters, LabelOf(*owner_),
                                 [] { return std::string("SetAllParameters"); }))
    return forced;
  (void)apply;  // every change is immediate
  if (params == nullptr || !Valid(*params)) return DSERR_INVALIDPARAM;
  params_ = *params;
  Apply();
  return DS_OK;
}

void IDirectSound3DBuffer::Apply() {
  ALuint id = owner_->Source();
  if (id == 0) return;
  const DS3DBUFFER& p = params_;
  bool disabled = p.dwMode == DS3DMODE_DISABLE;
  alSourcei(id, AL_SOURCE_RELATIVE, p.dwMode != DS3DMODE_NORMAL ? AL_TRUE : AL_FALSE);
  if (disabled)
    alSource3f(id, AL_POSITION, 0.0f, 0.0f, 0.0f);
  else
    alSource3f(id, AL_POSITION, p.vPosition.x, p.vPosition.y, -p.vPosition.z);
  alSource3f(id, AL_VELOCITY, p.vVelocity.x, p.vVelocity.y, -p.vVelocity.z);
  alSource3f(id, AL_DIRECTION, p.vConeOrientation.x, p.vConeOrientation.y, -p.vConeOrientation.z);
  alSourcef(id, AL_CONE_INNER_ANGLE, static_cast<float>(p.dwInsideConeAngle));
  alSourcef(id, AL_CONE_OUTER_ANGLE, static_cast<float>(p.dwOutsideConeAngle));
  alSourcef(id, AL_CONE_OUTER_GAIN, AmplitudeOf(p.lConeOutsideVolume));
  alSourcef(id, AL_REFERENCE_DISTANCE, p.flMinDistance);
  alSourcef(id, AL_MAX_DISTANCE, p.flMaxDistance);
  alSourcef(id, AL_ROLLOFF_FACTOR, disabled ? 0.0f : owner_->device_->Rolloff());
}

}  // namespace dsound

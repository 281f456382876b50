// OpenAL's side of a 3-D secondary buffer.
#include "sound/dsound/ds_3dbuffer.h"

#include <AL/alext.h>

#include <cmath>

#include "sound/dsound/al/device.h"
#include "sound/dsound/ds_buffer.h"

namespace dsound {
namespace {

// DirectSound volumes are hundredths of a decibel.
float AmplitudeOf(int32_t volume) {
  constexpr float kHundredthsPerDecade = 2000.0f;  // 20 dB per tenfold amplitude
  return std::pow(10.0f, static_cast<float>(volume) / kHundredthsPerDecade);
}

}  // namespace

template <>
bool Interface3D<DS3DBUFFER>::Valid(const DS3DBUFFER& p) {
  return p.dwSize == sizeof(DS3DBUFFER) && p.dwInsideConeAngle <= DS3D_MAXCONEANGLE &&
         p.dwOutsideConeAngle <= DS3D_MAXCONEANGLE && p.lConeOutsideVolume <= DSBVOLUME_MAX &&
         p.lConeOutsideVolume >= DSBVOLUME_MIN && p.flMinDistance > 0.0f &&
         p.flMaxDistance >= p.flMinDistance && p.dwMode <= DS3DMODE_DISABLE;
}

template <>
void Interface3D<DS3DBUFFER>::Apply() {
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

// OpenAL's side of the listener.
#include "sound/dsound/ds_3dlistener.h"

#include <AL/al.h>

#include "sound/dsound/al/device.h"
#include "sound/dsound/ds_buffer.h"

namespace dsound {
namespace {

constexpr float kSpeedOfSound = 343.3f;  // metres per second

}  // namespace

template <>
bool Interface3D<DS3DLISTENER>::Valid(const DS3DLISTENER& p) {
  return p.dwSize == sizeof(DS3DLISTENER) && p.flDistanceFactor > 0.0f &&
         p.flRolloffFactor >= 0.0f && p.flRolloffFactor <= DS3D_MAXROLLOFFFACTOR &&
         p.flDopplerFactor >= 0.0f && p.flDopplerFactor <= DS3D_MAXDOPPLERFACTOR;
}

template <>
void Interface3D<DS3DLISTENER>::Apply() {
  const DS3DLISTENER& p = params_;
  AlDevice& device = *owner_->device_;
  alListener3f(AL_POSITION, p.vPosition.x, p.vPosition.y, -p.vPosition.z);
  alListener3f(AL_VELOCITY, p.vVelocity.x, p.vVelocity.y, -p.vVelocity.z);
  const ALfloat orientation[] = {p.vOrientFront.x, p.vOrientFront.y, -p.vOrientFront.z,
                                 p.vOrientTop.x,   p.vOrientTop.y,   -p.vOrientTop.z};
  alListenerfv(AL_ORIENTATION, orientation);
  // The distance factor is metres per unit; OpenAL wants the speed of sound in units.
  alSpeedOfSound(kSpeedOfSound / p.flDistanceFactor);
  alDopplerFactor(p.flDopplerFactor);
  device.SetRolloff(p.flRolloffFactor);
}

}  // namespace dsound

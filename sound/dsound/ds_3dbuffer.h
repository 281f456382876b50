// IDirectSound3DBuffer: places a 3-D secondary buffer's source in space. DirectSound's z axis
// points into the screen, OpenAL's out of it, so z is negated on the way.
#pragma once

#include "sound/dsound/ds_interface3d.h"

namespace dsound {

class IDirectSound3DBuffer : public Interface3D<DS3DBUFFER> {
 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DBuffer(IDirectSoundBuffer* owner) : Interface3D(owner, kDefault3DBuffer) {}
};

}  // namespace dsound

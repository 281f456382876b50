// IDirectSound3DListener: the listener of a 3-D primary buffer, mapped onto OpenAL's
// listener (z negated, as for 3-D buffers).
#pragma once

#include "sound/dsound/ds_interface3d.h"

namespace dsound {

class IDirectSound3DListener : public Interface3D<DS3DLISTENER> {
 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DListener(IDirectSoundBuffer* owner)
      : Interface3D(owner, kDefault3DListener) {}
};

}  // namespace dsound

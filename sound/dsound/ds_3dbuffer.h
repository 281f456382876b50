// IDirectSound3DBuffer: places a 3-D secondary buffer's source in space. DirectSound's z axis
// points into the screen, OpenAL's out of it, so z is negated on the way.
#pragma once

#include "sound/dsound/ds_types.h"

namespace dsound {

class IDirectSound3DBuffer {
 public:
  IDirectSound3DBuffer(const IDirectSound3DBuffer&) = delete;
  IDirectSound3DBuffer& operator=(const IDirectSound3DBuffer&) = delete;
  ~IDirectSound3DBuffer();

  ULONG Release();
  HRESULT GetAllParameters(DS3DBUFFER* params);
  HRESULT SetAllParameters(const DS3DBUFFER* params, DWORD apply);

 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DBuffer(IDirectSoundBuffer* owner);
  void Apply();

  IDirectSoundBuffer* owner_;
  ULONG refs_ = 0;
  DS3DBUFFER params_;
};

}  // namespace dsound

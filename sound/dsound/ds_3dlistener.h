// IDirectSound3DListener: the listener of a 3-D primary buffer, mapped onto OpenAL's
// listener (z negated, as for 3-D buffers).
#pragma once

#include "sound/dsound/ds_types.h"

namespace dsound {

class IDirectSound3DListener {
 public:
  IDirectSound3DListener(const IDirectSound3DListener&) = delete;
  IDirectSound3DListener& operator=(const IDirectSound3DListener&) = delete;
  ~IDirectSound3DListener();

  ULONG Release();
  HRESULT GetAllParameters(DS3DLISTENER* params);
  HRESULT SetAllParameters(const DS3DLISTENER* params, DWORD apply);

 private:
  friend class IDirectSoundBuffer;
  explicit IDirectSound3DListener(IDirectSoundBuffer* owner);

  IDirectSoundBuffer* owner_;
  ULONG refs_ = 0;
  DS3DLISTENER params_;
};

}  // namespace dsound

// The DirectSound operations the sound component relies on, under their own names and
// records, implemented over OpenAL Soft.
//
// Objects are reference counted as in COM: every interface pointer handed out holds one
// reference, and Release returns the count left on that interface (0 once it is gone).
// Besides the DirectSound operations, the layer offers three things of its own:
//   - IDirectSoundBuffer::SetLabel names a buffer for the call record (ds_seam.h);
//   - an offline device that mixes into memory (ScopedOfflineDevice in ds_offline.h and
//     IDirectSound::RenderOffline);
//   - the test seam (ds_seam.h): forced failures and a readable record of calls.
#pragma once

#include "sound/ds_3dbuffer.h"
#include "sound/ds_3dlistener.h"
#include "sound/ds_buffer.h"
#include "sound/ds_device.h"
#include "sound/ds_offline.h"
#include "sound/ds_seam.h"
#include "sound/ds_types.h"

namespace dsound {

// Opens the default output device (only the default is supported: pass nullptr for the
// GUID) or, while a ScopedOfflineDevice lives, an offline loopback device. Fails with
// DSERR_NODRIVER when there is no real output device: OpenAL Soft's "No Output" null
// backend counts as none.
HRESULT DirectSoundCreate(const GUID* device, IDirectSound** out, void* outer);

}  // namespace dsound

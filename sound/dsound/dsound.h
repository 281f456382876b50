// The DirectSound operations the sound component relies on, under their own names and
// records, implemented over OpenAL Soft (which none of these headers shows).
//
// Objects are reference counted as in COM: every interface pointer handed out holds one
// reference, and Release returns the count left on that interface (0 once it is gone).
// Besides the DirectSound operations, the layer offers three things of its own:
//   - IDirectSoundBuffer::SetLabel names a buffer for the call record (ds_seam.h);
//   - an offline device that mixes into memory (DirectSoundCreateOffline and
//     IDirectSound::RenderOffline);
//   - the test seam (ds_seam.h): forced failures and a readable record of calls.
#pragma once

#include <cstdint>

#include "sound/dsound/ds_3dbuffer.h"
#include "sound/dsound/ds_3dlistener.h"
#include "sound/dsound/ds_buffer.h"
#include "sound/dsound/ds_device.h"
#include "sound/dsound/ds_seam.h"
#include "sound/dsound/ds_types.h"

namespace dsound {

// Opens the default output device (only the default is supported: pass nullptr for the
// GUID). Fails with DSERR_NODRIVER when there is no real output device: OpenAL Soft's
// "No Output" null backend counts as none.
HRESULT DirectSoundCreate(const GUID* device, IDirectSound** out, void* outer);

// Not DirectSound: opens the offline device, OpenAL Soft's loopback device, which mixes
// only when asked and hands the mix over in memory. Tests listen to it; the offline renderer
// writes it to a file.
//
//   IDirectSound* ds = nullptr;
//   DirectSoundCreateOffline(44100, &ds);
//   std::vector<float> mix = ds->RenderOffline(frames);  // left, right, left, ...
//
// The mix starts at mixRate frames per second (which must be positive); a primary buffer's
// SetFormat changes the rate as on a real device (read it back with IDirectSound::MixRate).
// Rendering is deterministic: a Play takes effect at the first frame of the next
// RenderOffline.
HRESULT DirectSoundCreateOffline(int32_t mixRate, IDirectSound** out);

// Not DirectSound: whether the calling thread is inside a live device's pull, mixing a block
// for its output, where nothing may wait, allocate or end the program.
bool InLivePull();

}  // namespace dsound

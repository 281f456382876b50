// The live output on SDL2's audio: a callback stream to the default output device (PipeWire,
// PulseAudio, ALSA or JACK, as SDL finds them). SDL stays inside this library.
#pragma once

#include <memory>

#include "sound/dsound/live_output.h"

// A new output, not started. SDL's audio belongs to the whole process: one output at a time
// gets the device; another started meanwhile finds none.
std::unique_ptr<dsound::LiveOutput> MakeSdlOutput();

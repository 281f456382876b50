// The null output: for a sound component without a device, so that playback still walks on
// the clock. Its blocks go nowhere; it pulls them at the monotonic clock's pace while
// anything sounds and not at all while nothing does (pulling_output.h).
#pragma once

#include <memory>

#include "sound/dsound/live_output.h"

std::unique_ptr<dsound::LiveOutput> MakeNullOutput();

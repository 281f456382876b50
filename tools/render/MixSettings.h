// OpenAL Soft reads the user's and the system's alsoft.conf, and some of their settings
// change what it mixes: the volume, the resampler, a limiter whose look-ahead delays every
// note. A render must be the same on every machine, and on time to the frame, so the
// renderer names those settings itself, at the library's defaults for a float stereo mix.
#pragma once

// Call before the first OpenAL call of the process (OpenAL reads its settings once);
// later calls do nothing. False when the settings could not be put in place.
bool UseRendererMixSettings();

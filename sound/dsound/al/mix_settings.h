// The mix is the program's own, the same in the window, the renderer and the tests: OpenAL
// Soft reads the system's and the user's alsoft.conf, and some of their settings change what
// it mixes (the volume, the resampler, a limiter whose look-ahead delays every note, reverb,
// HRTF). OpenAL Soft reads its settings once, when the first device opens, from the files
// and then the one named by ALSOFT_CONF, which wins. The program's settings are a file in
// memory only, named there as /proc/self/fd/N for that one read; nothing is left on disk,
// whatever ends the process, and the environment is put back as it was.
#pragma once

#include <functional>

namespace dsound {

// Runs `open`, the process's first call that opens an OpenAL device, with the program's
// settings in force; later calls just run it. Under the device lock.
void OpenWithOwnMixSettings(const std::function<void()>& open);

}  // namespace dsound

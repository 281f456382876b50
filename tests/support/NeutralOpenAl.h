// OpenAL Soft takes settings from the environment and from files (ALSOFT_DRIVERS,
// /etc/openal/alsoft.conf, ~/.alsoftrc, $XDG_CONFIG_HOME/alsoft.conf, ALSOFT_CONF), once per
// process, and they change what it mixes: volume, reverb, HRTF, resampler, how many sources
// there are. Test processes fix them before their first OpenAL call, so that they hear the
// same whoever runs them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace soundtest {

// Writes folder/alsoft.conf with every setting that changes the mix at OpenAL Soft's own
// default for the float mixes tests hear (no output limiter there), sets the given backend
// ("null": no device; "wave": the wave writer, to waveFile) and points XDG_CONFIG_HOME at
// it. That file is read after the system's and the user's, so its settings win;
// ALSOFT_DRIVERS and ALSOFT_CONF, which would still win over it, are cleared (the program
// then layers its own short mixing period on top, as it does for a user).
inline void UseOpenAlConfig(const std::filesystem::path& folder, const std::string& drivers,
                            const std::filesystem::path& waveFile = {}) {
  std::ofstream(folder / "alsoft.conf")
      << "[general]\ndrivers=" << drivers
      << "\ndisable-cpu-exts=\nstereo-mode=speakers\nstereo-encoding=panpot\nhrtf=false\n"
         "cf_level=0\nresampler=linear\nsources=256\nslots=64\nsends=16\n"
         "output-limiter=false\nvolume-adjust=0\nexcludefx=\ndefault-reverb=\n"
         "trap-alc-error=false\ntrap-al-error=false\n[wave]\nbformat=false\nfile="
      << waveFile.string() << "\n";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  unsetenv("ALSOFT_DRIVERS");
  unsetenv("ALSOFT_CONF");
}

// Every process that includes this starts with no output device and the default mix; a test
// that wants the wave writer calls UseOpenAlConfig itself before it opens a device.
class NeutralOpenAl {
 public:
  NeutralOpenAl() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pomvik-openal-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    UseOpenAlConfig(folder_, "null");
  }
  ~NeutralOpenAl() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  NeutralOpenAl(const NeutralOpenAl&) = delete;
  NeutralOpenAl& operator=(const NeutralOpenAl&) = delete;

 private:
  std::filesystem::path folder_;
};

inline NeutralOpenAl neutralOpenAl;

}  // namespace soundtest

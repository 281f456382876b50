#include "sound/dsound/al/mix_settings.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace dsound {
namespace {

// Every setting that changes a loopback device's mix, at OpenAL Soft's own default for a
// float stereo mix, except the backends: the program mixes on loopback devices only, so no
// sound server is contacted when OpenAL starts. Sources are the other exception: each
// channel keeps one ready for every sample (ds_buffer.h, PrepareDuplicates), and a source
// that is not playing costs a few hundred bytes; the voices that mix them are fixed.
constexpr char kSettings[] =
    "[general]\n"
    "drivers=null\n"
    "disable-cpu-exts=\nstereo-mode=speakers\nstereo-encoding=panpot\nhrtf=false\ncf_level=0\n"
    "resampler=linear\nvolume-adjust=0\noutput-limiter=false\ndither=false\n"
    "excludefx=\ndefault-reverb=\nsources=1024\nslots=64\nsends=16\n"
    "trap-alc-error=false\ntrap-al-error=false\n"
    "[reverb]\nboost=0\n";

// Variables OpenAL reads in place of settings, and the one that names the settings file.
constexpr const char* kOverridden[] = {"ALSOFT_CONF", "ALSOFT_DRIVERS", "ALSOFT_DEFAULT_REVERB"};

class TEnvironmentKept {
 public:
  TEnvironmentKept() {
    for (std::size_t i = 0; i < std::size(kOverridden); ++i)
      if (const char* value = std::getenv(kOverridden[i])) kept_[i] = value;
  }
  ~TEnvironmentKept() {
    for (std::size_t i = 0; i < std::size(kOverridden); ++i) {
      if (kept_[i])
        setenv(kOverridden[i], kept_[i]->c_str(), 1);
      else
        unsetenv(kOverridden[i]);
    }
  }
  TEnvironmentKept(const TEnvironmentKept&) = delete;
  TEnvironmentKept& operator=(const TEnvironmentKept&) = delete;

 private:
  std::optional<std::string> kept_[std::size(kOverridden)];
};

// The settings as a file that exists in memory only; -1 when none can be made.
int SettingsInMemory() {
  const int fd = memfd_create("pomvik-alsoft.conf", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (write(fd, kSettings, sizeof kSettings - 1) != static_cast<ssize_t>(sizeof kSettings - 1)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void OpenWithOwnMixSettings(const std::function<void()>& open) {
  static bool read = false;
  if (read) {
    open();
    return;
  }
  read = true;
  const int fd = SettingsInMemory();
  {
    const TEnvironmentKept kept;
    for (const char* name : kOverridden) unsetenv(name);
    if (fd >= 0) setenv("ALSOFT_CONF", ("/proc/self/fd/" + std::to_string(fd)).c_str(), 1);
    open();
  }
  if (fd >= 0) close(fd);
}

}  // namespace dsound

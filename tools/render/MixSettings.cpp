#include "tools/render/MixSettings.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The file named by ALSOFT_CONF is read last and wins over every other.
constexpr char kSettings[] =
    "[general]\n"
    "stereo-mode=speakers\nstereo-encoding=panpot\nhrtf=false\ncf_level=0\n"
    "resampler=linear\nvolume-adjust=0\noutput-limiter=false\ndither=false\n"
    "excludefx=\ndefault-reverb=\nsources=256\n";

bool Install() {
  std::string path = (std::filesystem::temp_directory_path() / "pomvik-render-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) return false;
  const bool written =
      write(fd, kSettings, sizeof kSettings - 1) == static_cast<ssize_t>(sizeof kSettings - 1);
  close(fd);
  if (!written || setenv("ALSOFT_CONF", path.c_str(), 1) != 0) {
    unlink(path.c_str());
    return false;
  }
  // OpenAL reads the file when the first device opens, within this process's life.
  static const struct TRemoveAtExit {
    std::string Path;
    ~TRemoveAtExit() { unlink(Path.c_str()); }
  } remove{path};
  return true;
}

}  // namespace

bool UseRendererMixSettings() {
  static const bool installed = Install();
  return installed;
}

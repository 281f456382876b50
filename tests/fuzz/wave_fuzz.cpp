// Untrusted WAVE files through the whole loader, on the offline device.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sound/ddsd/ddsd.h"

namespace {

// The loader reads files by name: each input goes into a file that lives only in memory and
// goes with the process, so that no run leaves anything behind, however it ends.
int InputFile() {
  const int fd = memfd_create("pomvik-wave-fuzz", MFD_CLOEXEC);
  if (fd < 0) {
    std::perror("wave_fuzz: memfd_create");
    std::abort();
  }
  return fd;
}

bool Fill(int fd, const uint8_t* data, size_t size) {
  if (ftruncate(fd, 0) != 0) return false;
  for (size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TDDSD* component = [] {
    auto* c = new TDDSD(nullptr);
    c->setDebugOption({});  // report nothing, halt never: every path runs to its end
    c->setOfflineMixRate(44100);
    c->Loaded();
    return c;
  }();
  static const int fd = InputFile();
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (!Fill(fd, data, size)) {
    std::perror("wave_fuzz: cannot hold the input");
    std::abort();
  }
  TDDSDWaveData wave(component, path);
  TDDSDChannel* channel = component->Channels(1);
  channel->setWaveData(&wave);
  channel->SetFrequencyRatio(1.5);
  channel->Play();
  float mix[2 * 64];
  component->DirectSound()->RenderOffline(mix, 64);
  channel->setWaveData(nullptr);
  return 0;
}

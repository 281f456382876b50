// Untrusted WAVE files through the whole loader, on the offline device.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "sound/ddsd/ddsd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TDDSD* component = [] {
    auto* c = new TDDSD(nullptr);
    c->setDebugOption({});  // report nothing, halt never: every path runs to its end
    c->setOfflineMixRate(44100);
    c->Loaded();
    return c;
  }();
  static const std::string path = "/tmp/pomvik-wave-fuzz-" + std::to_string(getpid()) + ".wav";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
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

// Writes the sample set Sound1.wav .. Sound29.wav into the folder named on the command line.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "tools/wavesynth/Mastering.h"
#include "tools/wavesynth/SoundBank.h"
#include "tools/wavesynth/WaveFileWriter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  try {
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    // Notes are set to one loudness; the tool sounds only to a peak.
    const auto notes = wavesynth::Mastering::toLoudness(-9.0, -1.5);
    const auto tools = wavesynth::Mastering::toPeak(-3.0);
    const wavesynth::WaveFileWriter writer(static_cast<std::uint32_t>(wavesynth::kSampleRate));
    for (int n = wavesynth::SoundBank::kFirst; n <= wavesynth::SoundBank::kLast; ++n) {
      const auto& mastering = wavesynth::SoundBank::entry(n).hz > 0.0 ? notes : tools;
      writer.write(folder / ("Sound" + std::to_string(n) + ".wav"),
                   mastering.finish(wavesynth::SoundBank::render(n)));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pomvik-wavesynth: %s\n", e.what());
    return 1;
  }
  return 0;
}

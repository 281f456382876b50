// The renderer's tests run it as a user runs it, on songs written here and on a sample set
// of plain tones whose pitch tells which sample sounded at which ratio.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "core/SongText.h"
#include "sound/dsound/ds_seam.h"
#include "tests/sound_test_support.h"
#include "tests/support/FundamentalEstimator.h"
#include "tests/support/MidiFileReader.h"
#include "tests/support/RenderRun.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/AudioFileWriter.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/SongSamples.h"
#include "tools/render/WaveContainer.h"

namespace rendertest {

using namespace pomvik::test;
namespace fs = std::filesystem;

inline constexpr int kRate = 44100;
inline constexpr double kToneSeconds = 0.1;
inline constexpr double kToneAmplitude = 0.25;

// Sample n: a tone of 200 + 37n Hz recorded at one of five rates, starting at full swing so
// that its first frame marks its onset.
struct Tone {
  double hz;
  uint32_t rate;
};
inline Tone ToneOfSample(int n) {
  static constexpr std::array<uint32_t, 5> kRates{16000, 22050, 44100, 11025, 32000};
  return {200.0 + 37.0 * n, kRates[static_cast<std::size_t>(n % 5)]};
}
// The pitch a sample sounds at a ratio: the channel's frequency is truncated to whole hertz.
inline double Heard(int sample, double ratio) {
  const Tone t = ToneOfSample(sample);
  return t.hz * std::trunc(t.rate * ratio) / t.rate;
}
inline double HeardSeconds(int sample, double ratio) {
  const Tone t = ToneOfSample(sample);
  return kToneSeconds * t.rate / std::trunc(t.rate * ratio);
}

inline std::vector<uint8_t> ToneWav(const Tone& t, double seconds = kToneSeconds) {
  std::vector<uint8_t> pcm;
  const auto frames = static_cast<uint32_t>(t.rate * seconds);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = kToneAmplitude * 32767.0 * std::cos(2.0 * M_PI * t.hz * i / t.rate);
    soundtest::Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v))));
  }
  return soundtest::Riff({{"fmt ", soundtest::FmtBytes(1, t.rate, 16)}, {"data", pcm}});
}

// Score groups for columns 1.. in order; the rest of the 96 columns stay empty.
inline std::string SongText(const std::vector<std::string>& groups, const std::string& tail) {
  std::string score;
  for (const std::string& g : groups) score += g;
  for (std::size_t c = groups.size(); c < 96; ++c) score += "000";
  return "SCORE=" + score + "\r\n" + tail;
}

// Column 1: sound 1 in row 9; column 2: sound 3 in row 5 and 12 in row 9; column 3: sound
// 15 in row 1, 2 in row 10 and 10 in row 13; tempo 300, loop on, end 33, 3/4.
inline const std::string kWorkedExample =
    SongText({"0091", "0539C", "1FA2DA"}, "TEMPO=300\r\nLOOP=TRUE\r\nEND=33\r\nTIME44=FALSE\r\n");

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(waves());
    for (int n = 1; n <= WaveBankSize; ++n)
      dir_.Write("waves/Sound" + std::to_string(n) + ".wav", ToneWav(ToneOfSample(n)));
  }
  fs::path waves() const { return dir_.path() / "waves"; }
  fs::path Song(const std::string& text) const {
    dir_.Write("song.psq", std::vector<uint8_t>(text.begin(), text.end()));
    return dir_.path() / "song.psq";
  }
  RenderRun Render(std::vector<std::string> arguments) const {
    return RunRender(arguments, dir_.path());
  }
  // Renders with the tone samples and reads the left channel back.
  std::vector<double> RenderTones(const std::string& text, const std::string& name,
                                  std::vector<std::string> extra = {}) const {
    const fs::path out = dir_.path() / name;
    extra.insert(extra.end(), {"--waves", waves().string(), Song(text).string(), out.string()});
    const RenderRun run = Render(extra);
    EXPECT_EQ(run.status, 0) << run.errors;
    return ReadAudio(out).left;
  }

  soundtest::TempDir dir_;
};

}  // namespace rendertest

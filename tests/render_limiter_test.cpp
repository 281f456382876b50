// The renderer's peak limiter on the program's own sample set: notes started together
// never reach full scale, a single note keeps its level, and renders stay the same.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "core/NoteEditing.h"
#include "core/SampleBank.h"
#include "core/Sequencer.h"
#include "core/SongText.h"
#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"
#include "tests/support/RenderRun.h"

using namespace pomvik::test;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

// Three notes in every column, each column's a different three of the fifteen sounds.
TSong DenseSong() {
  TSong song;
  for (int column = 1; column <= ColumnCount; ++column)
    for (int k = 0; k < 3; ++k)
      EditCell(song, (3 * column + k) % NoteSoundCount + 1,
               {(column + 4 * k) % RowCount + 1, column});
  return song;
}

// One note in each of the first 30 columns: every sound, at rows all over the staff.
TSong SingleNotes() {
  TSong song;
  for (int column = 1; column <= 30; ++column)
    EditCell(song, column % NoteSoundCount + 1, {(5 * column) % RowCount + 1, column});
  song.EndColumn = 31;
  return song;
}

// The song as the window's mix has it without a limiter: the sequencer on the offline
// device, mixed plainly; the left side.
std::vector<float> Unlimited(const TSong& song, int tempo) {
  TDDSD ddsd(nullptr);
  ddsd.setOfflineMixRate(kRate);
  ddsd.Loaded();
  TWaveBank bank;
  EXPECT_TRUE(FillWaveBank(bank, ddsd, POMVIK_WAVES).empty());
  std::vector<float> left;
  {
    TSequencer sequencer(ddsd, bank);
    sequencer.Play({song, IntervalFromTempo(tempo), false});
    do {
      const std::vector<float> mix = ddsd.DirectSound()->RenderOffline(4096);
      for (std::size_t i = 0; i < mix.size(); i += 2) left.push_back(mix[i]);
      (void)sequencer.TakeTicksUpTo(INT64_MAX);  // hands the end over, when it came
    } while (sequencer.Playing());
    const std::vector<float> tail = ddsd.DirectSound()->RenderOffline(2 * kRate);
    for (std::size_t i = 0; i < tail.size(); i += 2) left.push_back(tail[i]);
  }
  FreeWaveBank(bank);
  return left;
}

// What the renderer writes as 16-bit WAVE, sample by sample (left, right, ...).
std::vector<short> RenderedShorts(const fs::path& scratch, const TSong& song, int tempo,
                                  const std::string& name) {
  TSongSettingsValues settings;
  settings.Tempo = tempo;
  const std::string text = BuildSongText(song, settings);
  const fs::path in = scratch / (name + ".psq");
  const fs::path out = scratch / (name + ".wav");
  std::ofstream(in, std::ios::binary) << text;
  const RenderRun run = RunRender({"--waves", POMVIK_WAVES, in.string(), out.string()}, scratch);
  EXPECT_EQ(run.status, 0) << run.errors;
  SF_INFO info{};
  SNDFILE* file = sf_open(out.c_str(), SFM_READ, &info);
  std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
  if (file != nullptr) {
    sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
  }
  return samples;
}

TEST(RenderLimiter, ADenseSongNeverReachesFullScaleAndRendersTheSameEveryTime) {
  soundtest::TempDir dir;
  float unlimited = 0;
  for (float v : Unlimited(DenseSong(), 700)) unlimited = std::max(unlimited, std::fabs(v));
  EXPECT_GT(unlimited, 1.0f);  // it would clip without the limiter

  const std::vector<short> once = RenderedShorts(dir.path(), DenseSong(), 700, "dense1");
  ASSERT_GT(once.size(), 2u * 96 * 3700);  // 96 columns of 84 ms
  EXPECT_EQ(RenderedShorts(dir.path(), DenseSong(), 700, "dense2"), once);
  int flat = 0;
  for (std::size_t i = 0; i < once.size(); ++i) {
    ASSERT_LT(std::abs(static_cast<int>(once[i])), 32767) << "sample " << i;
    // Three equal samples in a row near the top are a flat run (left and right apart).
    if (i >= 4 && once[i] == once[i - 2] && once[i] == once[i - 4] &&
        std::abs(static_cast<int>(once[i])) > 29000)
      ++flat;
  }
  EXPECT_EQ(flat, 0);
}

TEST(RenderLimiter, ASingleNoteKeepsItsLevel) {
  soundtest::TempDir dir;
  const std::vector<float> unlimited = Unlimited(SingleNotes(), 250);
  const std::vector<short> limited = RenderedShorts(dir.path(), SingleNotes(), 250, "single");
  // Column by column, the loudest sample of the note.
  const auto columnFrames = static_cast<std::size_t>(FrameOfTick(2, 120, kRate));
  for (std::size_t column = 1; column <= 30; ++column) {
    float was = 0;
    int is = 0;
    for (std::size_t i = column * columnFrames; i < (column + 1) * columnFrames; ++i) {
      was = std::max(was, std::fabs(unlimited[i]));
      is = std::max(is, std::abs(static_cast<int>(limited[2 * i])));
    }
    EXPECT_NEAR(20 * std::log10(is / 32768.0 / was), 0.0, 0.5) << "column " << column;
  }
}

}  // namespace

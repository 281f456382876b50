// Inside a pull the program's own code allocates nothing: every operator new of this program
// is counted while a pull runs on the output's thread, over a song that voices every sound.
// (OpenAL Soft is C and allocates through malloc, which is not counted here.)
#include <execinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "core/Sequencer.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd.h"
#include "tests/support/FakeLiveOutput.h"

namespace {

thread_local bool armed = false;
std::atomic<int> allocations{0};

// Says where the first few allocations come from, on the standard error.
void Count() {
  armed = false;  // the trace may allocate on its first use
  if (allocations.fetch_add(1) < 3) {
    void* frames[32];
    const int depth = backtrace(frames, 32);
    static constexpr char kHeader[] = "an allocation inside a pull:\n";
    [[maybe_unused]] const ssize_t said = write(STDERR_FILENO, kHeader, sizeof kHeader - 1);
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
  }
  armed = true;
}

void* Allocate(std::size_t size, std::size_t alignment = 0) {
  if (armed) Count();
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment = 0) {
  if (void* p = Allocate(size, alignment)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, std::align_val_t a) {
  return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

// Every note sound in a row of its own sample, and each sound with an alternate recording
// in the top row, three to a column so that both banks fill.
TSong EverySound() {
  std::vector<int32_t> rows[3];  // the sounds for rows 1, 9 and 13, in turn
  for (int32_t sound = 1; sound <= NoteSoundCount; ++sound) {
    rows[sound % 2 != 0 ? 1 : 2].push_back(sound);
    if (ChooseVoice(sound, 1).Wave != sound) rows[0].push_back(sound);
  }
  TSong song;
  int column = 1;
  for (std::size_t i = 0; i < rows[0].size() || i < rows[1].size() || i < rows[2].size();
       ++i, ++column) {
    for (int r = 0; r < 3; ++r) {
      if (i >= rows[r].size()) continue;
      song.Cell(r == 0 ? 1 : r == 1 ? 9 : 13, column) = rows[r][i];
      ++song.NoteCount(column);
    }
  }
  song.EndColumn = column;
  return song;
}

TEST(Pull, TheProgramsOwnCodeAllocatesNothingWhileASongVoicesEverySound) {
  auto output = std::make_shared<soundtest::TManualOutputState>();
  soundtest::UseLiveOutput([output] { return std::make_unique<soundtest::TManualOutput>(output); });
  TDDSD ddsd(nullptr);
  ddsd.Loaded();
  dsound::SetLiveOutputFactory(nullptr);
  ASSERT_TRUE(ddsd.Available() && ddsd.DirectSound()->IsLive());
  TWaveBank bank;
  ASSERT_TRUE(FillWaveBank(bank, ddsd, POMVIK_SAMPLE_FOLDER "/waves").empty());

  const TSong song = EverySound();
  std::vector<int> waves;  // each sample the song voices
  for (int column = 1; column < song.EndColumn; ++column)
    for (int row = 1; row <= RowCount; ++row)
      if (song.Cell(row, column) != 0)
        waves.push_back(ChooseVoice(song.Cell(row, column), row).Wave);
  std::sort(waves.begin(), waves.end());
  EXPECT_EQ(std::unique(waves.begin(), waves.end()) - waves.begin(), 15 + 9);

  {
    TSequencer sequencer(ddsd, bank);
    // Twice through, so that every channel gives up a sounding note for the next, and a
    // second Play stops what the first left ringing; the tempo changes on the way.
    const auto pull = [&](int blocks) {
      std::thread([&] {
        std::vector<float> block(2 * 512);
        for (int n = 0; n < blocks; ++n) {
          armed = true;
          output->Pull(block.data(), 512);
          armed = false;
        }
      }).join();
    };
    for (int play = 0; play < 2; ++play) {
      sequencer.Play({song, IntervalFromTempo(700), true, 1, 2});
      pull(100);
      sequencer.SetInterval(IntervalFromTempo(650));
      pull(100);
      sequencer.SetInterval(IntervalFromTempo(700));
      pull(700);
      const std::vector<TMixedTick> ticks = sequencer.TakeTicksUpTo(INT64_MAX);  // as drawn
      ASSERT_FALSE(sequencer.Playing()) << "the song did not reach its end";
      EXPECT_EQ(std::count_if(ticks.begin(), ticks.end(),
                              [](const TMixedTick& t) { return t.Tick.Column != 0; }),
                2 * (song.EndColumn - 1))
          << "every column of both passes sounds";
    }
  }
  EXPECT_EQ(allocations.load(), 0) << "allocations inside pulls; the first are traced above";
  FreeWaveBank(bank);
}

}  // namespace

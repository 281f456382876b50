// The sequencer on the offline device: every tick on its exact frame, however the blocks
// are cut, and the tempo, loop, end and first column as the transport has them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <utility>
#include <vector>

#include "core/Audition.h"
#include "core/NoteEditing.h"
#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "core/Sequencer.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FakeLiveOutput.h"

namespace {

constexpr int kRate = 44100;

class Sequencing : public ::testing::Test {
 protected:
  void SetUp() override {
    ddsd_.setOfflineMixRate(kRate);
    ddsd_.Loaded();
    ASSERT_TRUE(FillWaveBank(bank_, ddsd_, POMVIK_SAMPLE_FOLDER "/waves").empty());
    for (int column = 1; column <= ColumnCount; ++column) EditCell(song_, 1, {9, column});
    sequencer_ = std::make_unique<TSequencer>(ddsd_, bank_);
  }
  void TearDown() override {
    sequencer_.reset();
    FreeWaveBank(bank_);
  }

  // Mixes `frames` frames in blocks of the sizes given, over and over; the left side.
  std::vector<float> Mix(int64_t frames, std::vector<uint32_t> blocks = {512}) {
    std::vector<float> left;
    for (std::size_t b = 0; frames > 0; ++b) {
      const auto n = static_cast<uint32_t>(std::min<int64_t>(frames, blocks[b % blocks.size()]));
      const std::vector<float> mix = ddsd_.DirectSound()->RenderOffline(n);
      for (uint32_t i = 0; i < n; ++i) left.push_back(mix[2 * i]);
      frames -= n;
    }
    return left;
  }
  std::vector<TMixedTick> Ticks() { return sequencer_->TakeTicksUpTo(INT64_MAX); }
  TSequencer::TPlay Song(int32_t end, int intervalMs, bool loop = false) {
    TSong song = song_;
    song.EndColumn = end;
    return {song, intervalMs, loop};
  }

  TDDSD ddsd_{nullptr};
  TWaveBank bank_;
  TSong song_;
  std::unique_ptr<TSequencer> sequencer_;
};

// The first frame at or after `from` that is not silent.
int64_t Onset(const std::vector<float>& x, int64_t from) {
  for (auto i = static_cast<std::size_t>(from); i < x.size(); ++i)
    if (std::fabs(x[i]) > 1e-6f) return static_cast<int64_t>(i);
  return -1;
}

TEST_F(Sequencing, EachTickFallsOnItsFrameHoweverTheBlocksAreCut) {
  Mix(1000);  // Play comes at the next block: here, frame 1000
  sequencer_->Play(Song(5, 42));
  EXPECT_EQ(Ticks().size(), 0u);
  const std::vector<float> x = Mix(20000, {1000, 37, 4096, 1});
  const std::vector<TMixedTick> ticks = Ticks();
  ASSERT_EQ(ticks.size(), 8u);  // columns 1..4, the end found on tick 8
  for (int k = 1; k <= 8; ++k) {
    const TMixedTick& tick = ticks[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(tick.Frame, 1000 + FrameOfTick(k, 42, kRate)) << "tick " << k;
    EXPECT_EQ(tick.Tick.PlayTick, k);
    EXPECT_EQ(tick.Tick.Column, k % 2 == 0 ? k / 2 : 0);
  }
  EXPECT_EQ(ticks.back().Tick.End, TPassEnd::Stopped);
  EXPECT_EQ(ticks.back().After, (TPlayPosition{5, 9}));
  EXPECT_FALSE(sequencer_->Playing());
  EXPECT_EQ(sequencer_->NextTickFrame(), std::nullopt);
  // Column 1's note starts on its tick's frame exactly, as the same note started at the
  // start of a block does.
  const int64_t atTick = Onset(x, 0) - FrameOfTick(2, 42, kRate);
  Mix(2 * kRate);  // the song's last note rings out
  Audition(ddsd_, bank_, {TAudition::Click, ChooseVoice(1, 9)});
  EXPECT_EQ(Onset(Mix(2000), 0), atTick);
}

TEST_F(Sequencing, ATempoChangeCountsFromTheLastTickAndAnOverdueTickComesAtOnce) {
  sequencer_->Play(Song(97, 120));
  const int64_t third = FrameOfTick(3, 120, kRate);
  Mix(third + 100);
  EXPECT_EQ(Ticks().back().Frame, third);
  EXPECT_EQ(sequencer_->NextTickFrame(), FrameOfTick(4, 120, kRate));
  sequencer_->SetInterval(42);
  Mix(4000);
  std::vector<TMixedTick> ticks = Ticks();
  ASSERT_GE(ticks.size(), 2u);
  EXPECT_EQ(ticks[0].Frame, third + FrameOfTick(1, 42, kRate));
  EXPECT_EQ(ticks[1].Frame, third + FrameOfTick(2, 42, kRate));

  // Slower: the next tick is one new interval after the last.
  const int64_t last = ticks.back().Frame;
  sequencer_->SetInterval(300);
  Mix(FrameOfTick(1, 300, kRate) + 10);
  ticks = Ticks();
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].Frame, last + FrameOfTick(1, 300, kRate));

  // Faster when the new interval is already over: the tick comes at the start of the next
  // block, and the one after it a new interval later.
  Mix(2000);
  const int64_t late = ddsd_.DirectSound()->MixedFrames();
  ASSERT_GT(late - ticks[0].Frame, FrameOfTick(1, 42, kRate));
  sequencer_->SetInterval(42);
  Mix(FrameOfTick(1, 42, kRate) + 10);
  ticks = Ticks();
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_EQ(ticks[0].Frame, late);
  EXPECT_EQ(ticks[1].Frame, late + FrameOfTick(1, 42, kRate));
}

TEST_F(Sequencing, FromAFirstColumnTheLoopComesBackToColumnOneUntilItIsSwitchedOff) {
  TSequencer::TPlay play = Song(5, 50, true);
  play.FirstColumn = 3;
  sequencer_->Play(play);
  Mix(FrameOfTick(10, 50, kRate) + 1);
  std::vector<int32_t> columns;
  std::vector<TPassEnd> ends;
  for (const TMixedTick& tick : Ticks()) {
    if (tick.Tick.Column != 0) columns.push_back(tick.Tick.Column);
    if (tick.Tick.End != TPassEnd::Running) ends.push_back(tick.Tick.End);
  }
  EXPECT_EQ(columns, (std::vector<int32_t>{3, 4, 1, 2, 3}));
  EXPECT_EQ(ends, std::vector<TPassEnd>{TPassEnd::Looped});
  sequencer_->SetLoop(false);  // read at the end of this pass
  Mix(FrameOfTick(10, 50, kRate));
  const std::vector<TMixedTick> rest = Ticks();
  ASSERT_EQ(rest.size(), 2u);  // column 4 then the end
  EXPECT_EQ(rest.back().Tick.End, TPassEnd::Stopped);

  // A render's looping song stops after its passes.
  play.FirstColumn = 1;
  play.Passes = 2;
  sequencer_->Play(play);
  Mix(FrameOfTick(40, 50, kRate));
  int loops = 0;
  for (const TMixedTick& tick : Ticks()) loops += tick.Tick.End == TPassEnd::Looped;
  EXPECT_EQ(loops, 2);
  EXPECT_FALSE(sequencer_->Playing());
}

TEST_F(Sequencing, PlayAndStopTakeEffectAtTheNextBlock) {
  sequencer_->Play(Song(97, 60));
  Mix(FrameOfTick(4, 60, kRate) + 1);  // columns 1 and 2 now ring on channels 1 and 5
  dsound::TestSeam seam;
  sequencer_->Play(Song(97, 60));
  EXPECT_TRUE(seam.Calls().empty());  // nothing yet: the next block begins it
  EXPECT_EQ(Ticks().size(), 0u);      // nor is anything of the last play shown
  Mix(FrameOfTick(2, 60, kRate) + 1, {64});
  const std::vector<std::string> calls = seam.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "channel 5.Stop");  // Play silences both banks first
  EXPECT_EQ(calls[1], "channel 1.Stop");
  EXPECT_TRUE(sequencer_->Playing());
  EXPECT_EQ(Ticks().size(), 2u);

  sequencer_->Stop();
  seam.ClearCalls();
  Mix(FrameOfTick(4, 60, kRate));
  EXPECT_EQ(Ticks().size(), 0u);
  EXPECT_TRUE(seam.Calls().empty());  // the notes ring on
  EXPECT_FALSE(sequencer_->Playing());
}

TEST_F(Sequencing, ControlsMadeWhileNothingPullsArriveAndOnlyTheLatestPlayIsShown) {
  sequencer_->Play(Song(97, 50));
  Mix(FrameOfTick(3, 50, kRate) + 1);  // three ticks mixed and not taken
  // Far more controls than the ring holds, and nothing pulls meanwhile.
  for (int i = 0; i < 100; ++i) {
    sequencer_->Stop();
    sequencer_->Play(Song(97, 40 + i % 7));
    sequencer_->SetInterval(45);
  }
  // The tempo set during an earlier Play is not this one's.
  sequencer_->Play(Song(97, 75));
  EXPECT_EQ(Ticks().size(), 0u);  // not even the ticks mixed before
  const int64_t start = ddsd_.DirectSound()->MixedFrames();
  Mix(FrameOfTick(2, 75, kRate) + 1);
  sequencer_->SetInterval(30);
  const int64_t second = start + FrameOfTick(2, 75, kRate);
  Mix(FrameOfTick(2, 30, kRate));
  const std::vector<TMixedTick> ticks = Ticks();
  ASSERT_EQ(ticks.size(), 4u);
  const int64_t frames[] = {start + FrameOfTick(1, 75, kRate), second,
                            second + FrameOfTick(1, 30, kRate), second + FrameOfTick(2, 30, kRate)};
  for (std::size_t k = 0; k < ticks.size(); ++k) {
    EXPECT_EQ(ticks[k].Frame, frames[k]) << "tick " << k + 1;
    EXPECT_EQ(ticks[k].Tick.PlayTick, static_cast<int32_t>(k) + 1);  // from column 1 again
  }
}

// A Play made while a block is being mixed (here from inside it, as the output's thread and
// the window's meet): what that block goes on mixing for the earlier Play is never shown,
// nor its next tick, and the new Play begins at the next block.
TEST(SequencingLive, TicksOfAnEarlierPlayMixedAfterANewOneAreNeverShown) {
  soundtest::TManualDevice device;
  TDDSD ddsd(nullptr);
  ddsd.Loaded();
  dsound::SetLiveOutputFactory(nullptr);
  ASSERT_TRUE(ddsd.Available() && ddsd.DirectSound()->IsLive());
  TWaveBank bank;
  ASSERT_TRUE(FillWaveBank(bank, ddsd, POMVIK_SAMPLE_FOLDER "/waves").empty());
  TSong song;
  for (int column = 1; column <= 8; ++column) EditCell(song, 1, {9, column});
  const int rate = device.State->Rate;
  {
    TSequencer sequencer(ddsd, bank);
    sequencer.Play({song, 50});
    device.State->PullBlock(64);
    const int64_t begun = device.State->Pulled;
    bool again = false;
    // The first note the block starts wakes the output; the window presses Play then.
    device.State->OnWake = [&] {
      if (!std::exchange(again, true)) sequencer.Play({song, 40, false, 3});
    };
    device.State->PullBlock(static_cast<uint32_t>(FrameOfTick(6, 50, rate)));  // ticks 1-6
    ASSERT_TRUE(again);
    EXPECT_TRUE(sequencer.Playing());
    EXPECT_TRUE(sequencer.TakeTicksUpTo(INT64_MAX).empty());
    EXPECT_FALSE(sequencer.NextTickFrame().has_value()) << "the next tick is the new Play's";

    const int64_t next = device.State->Pulled;
    device.State->PullBlock(static_cast<uint32_t>(FrameOfTick(2, 40, rate) + 1));
    const std::vector<TMixedTick> ticks = sequencer.TakeTicksUpTo(INT64_MAX);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[0].Frame, next + FrameOfTick(1, 40, rate));
    EXPECT_EQ(ticks[1].Frame, next + FrameOfTick(2, 40, rate));
    EXPECT_EQ(ticks[1].Tick.Column, 3);
    EXPECT_GT(next, begun + FrameOfTick(5, 50, rate));
  }
  FreeWaveBank(bank);
}

// A sound component without a device: the null output's place is taken by a manual one.
// The song walks on its clock, in silence, and playback ends as with a device.
TEST(SequencingWithoutDevice, TheSongWalksOnTheClockInSilence) {
  TDDSD ddsd(nullptr);
  ddsd.Loaded();
  ASSERT_FALSE(ddsd.Available());
  TWaveBank bank;
  FillWaveBank(bank, ddsd, POMVIK_SAMPLE_FOLDER "/waves");
  TSong song;
  for (int column = 1; column <= 3; ++column) EditCell(song, 1, {9, column});
  song.EndColumn = 4;
  auto state = std::make_shared<soundtest::TManualOutputState>();
  {
    TSequencer sequencer(ddsd, bank, std::make_unique<soundtest::TManualOutput>(state));
    ASSERT_TRUE(state->Started);
    EXPECT_EQ(sequencer.MixRate(), state->Rate);
    state->PullBlock(100);
    sequencer.Play({song, 50});
    EXPECT_EQ(state->Wakes, 1);
    EXPECT_TRUE(sequencer.Playing());
    const std::vector<float> mix = state->PullAndHear(FrameOfTick(6, 50, state->Rate) + 1, 64);
    EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](float v) { return v == 0.0f; }));
    EXPECT_FALSE(state->LastBusy);  // nothing plays on after the end
    EXPECT_EQ(sequencer.HeardFrame(), state->Heard);
    const std::vector<TMixedTick> ticks = sequencer.TakeTicksUpTo(sequencer.HeardFrame());
    ASSERT_EQ(ticks.size(), 6u);
    EXPECT_EQ(ticks[5].Frame, 100 + FrameOfTick(6, 50, state->Rate));
    EXPECT_TRUE(ticks[5].Last);
    EXPECT_FALSE(sequencer.Playing());
  }
  EXPECT_TRUE(state->Stopped);
  FreeWaveBank(bank);
}

}  // namespace

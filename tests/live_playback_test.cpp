// The window on a live device, through an output whose pulls and heard frame the test
// drives: the sequencer plays on the mix's clock and the timer draws what is heard.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/FormFixture.h"
#include "tools/render/SongRenderer.h"

namespace {

constexpr int kRate = 48000;
constexpr uint32_t kBlock = 256;

class LivePlayback : public ::testing::Test {
 protected:
  LivePlayback() {
    std::filesystem::current_path(POMVIK_SAMPLE_FOLDER);  // the window finds waves/ here
    state->Rate = kRate;
    soundtest::UseLiveOutput([s = state] { return std::make_unique<soundtest::TManualOutput>(s); });
    fx = std::make_unique<TFormFixture>();
    controls_ = FindControls(f());
    dsound::SetLiveOutputFactory(nullptr);
  }
  void SetUp() override {
    ASSERT_TRUE(c().DDSD1->Available());
    ASSERT_TRUE(c().DDSD1->DirectSound()->IsLive());
    ASSERT_TRUE(fx->Shown->empty()) << "the samples did not load";
  }

  TForm1& f() { return *fx->Form; }
  const TFormControls& c() const { return controls_; }
  int64_t Delay() { return c().DDSD1->DirectSound()->LimiterDelay(); }
  // Sound 1 in row 9 of every column.
  void FillSong() {
    for (int column = 1; column <= ColumnCount; ++column) f().Document().EditCell(1, {9, column});
  }
  // Presses Play at the tempo; the next block pulled begins the song.
  void Play(int tempo) {
    c().TempoBar->setValue(tempo);
    QTest::mouseClick(c().PlayBtn, Qt::LeftButton);
    playFrame_ = state->Pulled;
    interval_ = IntervalFromTempo(tempo);
  }
  // The mixed frame of tick k of the song.
  int64_t TickFrame(int64_t k) { return playFrame_ + FrameOfTick(k, interval_, kRate); }
  // Mixes past tick `mixed` and lets the listener hear up to tick `heard`; then the timer.
  void Hear(int64_t heard, int64_t mixed) {
    while (state->Pulled < TickFrame(mixed) + 1) state->PullBlock(kBlock);
    state->Heard = TickFrame(heard) + Delay();
    f().TimerTimer();
  }

  std::shared_ptr<soundtest::TManualOutputState> state =
      std::make_shared<soundtest::TManualOutputState>();
  std::unique_ptr<TFormFixture> fx;
  TFormControls controls_;
  int64_t playFrame_ = 0;
  int interval_ = 0;
};

TEST_F(LivePlayback, AClickIsHeardAtTheStartOfTheNextBlock) {
  state->PullBlock(kBlock);
  QTest::mouseClick(c().MainImage, Qt::LeftButton, {}, QPoint(82, 8 * 9 + 32));
  const std::vector<float> block = state->PullBlock(kBlock);
  std::size_t onset = 0;
  while (onset < kBlock && std::fabs(block[2 * onset]) < 1e-4f) ++onset;
  // At the block's start: later only by the limiter's look-ahead and the sample's attack.
  EXPECT_GE(onset, static_cast<std::size_t>(Delay()));
  EXPECT_LT(onset, static_cast<std::size_t>(Delay()) + 16);
  EXPECT_TRUE(state->LastBusy);
}

TEST_F(LivePlayback, TheTimerDrawsTheTickHeardMergesTheOverdueOnesAndComesForTheNext) {
  FillSong();
  Play(700);
  Hear(10, 12);  // mixed ahead, heard up to tick 10
  EXPECT_EQ(c().ScrollBar->value(), ScrollPositionOfTick(10));
  EXPECT_EQ(f().PlayPosition(), (TPlayPosition{6, 11}));
  // Tick 11 falls due 42 ms after tick 10: the timer is set for when it is heard.
  EXPECT_NEAR(c().Timer->remainingTime(), 42, 2);

  const qint64 before = c().MainImage->Picture().cacheKey();
  Hear(10, 13);  // nothing new heard: nothing drawn
  EXPECT_EQ(c().MainImage->Picture().cacheKey(), before);
  Hear(14, 15);  // ticks 11 to 14 at once: one picture, of the latest
  EXPECT_NE(c().MainImage->Picture().cacheKey(), before);
  EXPECT_EQ(c().ScrollBar->value(), ScrollPositionOfTick(14));
  EXPECT_EQ(f().PlayPosition(), (TPlayPosition{8, 15}));

  c().Lite1->trigger();
  c().ScrollBar->setValue(1000);
  Hear(20, 21);
  EXPECT_EQ(c().ScrollBar->value(), 1000);  // LiteMode: no following
  EXPECT_EQ(f().PlayPosition(), (TPlayPosition{11, 21}));
  // A tempo change keeps the timer's interval as the tempo's.
  c().TempoBar->setValue(100);
  EXPECT_EQ(c().Timer->interval(), 300);
}

TEST_F(LivePlayback, TheEndIsHeardBeforeStopIsPressedAndALoopScrollsBack) {
  FillSong();
  SetEndColumn(f(), 3);
  QTest::mouseClick(c().LoopBtn, Qt::LeftButton);
  Play(500);
  Hear(3, 6);  // the loop's end (tick 4) mixed, not yet heard
  EXPECT_EQ(f().PlayPosition().PlayTick, 4);
  Hear(6, 8);  // ticks 4 (end, looped) to 6 heard together
  EXPECT_EQ(f().PlayPosition(), (TPlayPosition{2, 3}));
  QTest::mouseClick(c().LoopBtn, Qt::LeftButton);  // off, but the end of tick 8 is mixed
  Hear(8, 12);
  EXPECT_EQ(f().PlayPosition(), (TPlayPosition{1, 1}));  // looped again
  Hear(11, 12);  // the end of tick 12 is mixed: the sequencer has stopped, unheard yet
  EXPECT_TRUE(f().Playing());
  Hear(12, 12);
  EXPECT_FALSE(f().Playing());
  EXPECT_FALSE(c().Timer->isActive());
  EXPECT_TRUE(c().StopBtn->isChecked());
  EXPECT_EQ(c().StopBtn->ImageIndex(), 3);
  EXPECT_EQ(f().PlayPosition().PlayColumn, 3);
}

// Live and render of the same song at the same rate: every column agrees.
TEST_F(LivePlayback, WhatIsHeardIsWhatTheRendererWrites) {
  for (int column = 1; column <= 12; ++column)
    for (int row : {2, 6, 11}) f().Document().EditCell((column + row) % 15 + 1, {row, column});
  SetEndColumn(f(), 13);
  Play(300);
  std::vector<float> live;
  while (state->Pulled < TickFrame(26)) {
    const std::vector<float> block = state->PullBlock(kBlock);
    live.insert(live.end(), block.begin(), block.end());
  }

  TRenderSong song;
  song.Song = f().Song();
  song.Settings.Tempo = 300;
  std::vector<float> rendered;
  TSongRenderer renderer(kRate, POMVIK_SAMPLE_FOLDER "/waves", [](const std::string&) {});
  renderer.Render(song, 1, [&](const float* frames, std::size_t count) {
    rendered.insert(rendered.end(), frames, frames + 2 * count);
  });

  const auto from = static_cast<std::size_t>(playFrame_ + Delay());  // live's song start
  for (int column = 1; column <= 12; ++column) {
    const auto start = static_cast<std::size_t>(FrameOfTick(2 * column, interval_, kRate));
    const auto end = static_cast<std::size_t>(FrameOfTick(2 * column + 2, interval_, kRate));
    double both = 0, l2 = 0, r2 = 0;
    for (std::size_t i = 2 * start; i < 2 * end; ++i) {
      const double a = live[2 * from + i];
      const double b = rendered[i];
      both += a * b;
      l2 += a * a;
      r2 += b * b;
    }
    EXPECT_GT(both / std::sqrt(l2 * r2), 0.99) << "column " << column;
  }
}

}  // namespace

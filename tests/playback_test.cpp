// Playback through the real window: its buttons, its handlers and its timer, on the
// offline device, with the device calls recorded.
#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/NoteEditing.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FormFixture.h"

namespace {

// The window finds its samples in the folder it starts in; the build folder holds them.
struct TInSampleFolder {
  TInSampleFolder() { std::filesystem::current_path(POMVIK_SAMPLE_FOLDER); }
};

class Playback : public ::testing::Test {
 protected:
  TInSampleFolder folder;
  TFormFixture fx{44100};  // on the offline device
  TForm1& f = *fx.Form;
  dsound::TestSeam seam;

  void SetUp() override {
    ASSERT_TRUE(f.DDSD1->Available());
    ASSERT_TRUE(fx.Shown->empty()) << "the samples did not load";
  }

  // Sound 1 in row 9 of every column, or three notes in the columns given.
  void FillSong() {
    for (int column = 1; column <= ColumnCount; ++column) f.Document().EditCell(1, {9, column});
  }
  void Chord(int column) {
    for (int row : {3, 6, 9}) f.Document().EditCell(1, {row, column});
  }
  void Play() { QTest::mouseClick(f.PlayBtn, Qt::LeftButton); }
  void Stop() { QTest::mouseClick(f.StopBtn, Qt::LeftButton); }
  void Loop() { QTest::mouseClick(f.LoopBtn, Qt::LeftButton); }

  // The channel operations recorded since the last look, as "5.Stop", "1.Play".
  std::vector<std::string> Channels(const char* op) {
    std::vector<std::string> out;
    for (const std::string& call : seam.Calls()) {
      const auto dot = call.find('.');
      if (call.rfind("channel ", 0) == 0 && call.compare(dot + 1, std::string::npos, op) == 0)
        out.push_back(call.substr(8));
    }
    seam.ClearCalls();
    return out;
  }
  // Runs ticks; what each sounded: the first channel started, or 0.
  std::vector<int> Ticks(int count) {
    std::vector<int> sounded;
    for (int k = 0; k < count && f.Playing; ++k) {
      seam.ClearCalls();
      f.TimerTimer();
      const std::vector<std::string> started = Channels("Play");
      sounded.push_back(started.empty() ? 0 : std::stoi(started.front()));
    }
    return sounded;
  }
  // One of the two states, pictures included: 0 play idle, 1 play lit, 2 stop idle, 3 stop lit.
  void ExpectState(bool playing) {
    EXPECT_EQ(f.Playing, playing);
    EXPECT_EQ(f.Timer->isActive(), playing);
    EXPECT_EQ(f.PlayBtn->isChecked(), playing);
    EXPECT_EQ(f.StopBtn->isChecked(), !playing);
    EXPECT_EQ(f.PlayBtn->ImageIndex(), playing ? 1 : 0);
    EXPECT_EQ(f.StopBtn->ImageIndex(), playing ? 2 : 3);
  }
  void ExpectStopped() { ExpectState(false); }
  void ExpectPlaying() { ExpectState(true); }
};

// Column n on tick 2n, on the bank of its parity.
std::vector<int> Pass(int columns) {
  std::vector<int> sounded;
  for (int n = 1; n <= columns; ++n) sounded.insert(sounded.end(), {0, n % 2 != 0 ? 1 : 5});
  return sounded;
}

TEST_F(Playback, TheTempoSetsTheIntervalAtOnceAlsoWhilePlaying) {
  const std::vector<std::pair<int, int>> table = {{100, 300}, {150, 200}, {200, 150}, {250, 120},
                                                  {300, 100}, {400, 75},  {500, 60},  {600, 50},
                                                  {650, 46},  {700, 42}};
  for (const auto& [tempo, interval] : table) {
    f.TempoBar->setValue(tempo);
    EXPECT_EQ(f.Timer->interval(), interval) << "tempo " << tempo;
  }
  f.TempoBar->setValue(100);
  Play();
  f.Document().Saved();
  f.TempoBar->setValue(700);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_TRUE(f.Timer->isActive());
  EXPECT_LE(f.Timer->remainingTime(), 42);  // the next tick, not the one after it
}

TEST_F(Playback, EachEndAndLoopThroughTheHandlers) {
  FillSong();
  Play();
  ExpectPlaying();
  EXPECT_EQ(Ticks(1000), Pass(96));  // the end found on the tick of column 96
  ExpectStopped();

  Loop();
  Play();
  std::vector<int> looped = Pass(96);
  looped.insert(looped.end(), {0, 1, 0, 5});  // column 1 two ticks after column 96
  EXPECT_EQ(Ticks(196), looped);
  ExpectPlaying();
  Stop();

  SetEndColumn(f, 1);  // nothing to play: silent until stopped
  Play();
  EXPECT_EQ(Ticks(10), std::vector<int>(10, 0));
  ExpectPlaying();
  Loop();
  EXPECT_EQ(Ticks(10), std::vector<int>{0});
  ExpectStopped();

  SetEndColumn(f, 2);
  Play();
  EXPECT_EQ(Ticks(10), (std::vector<int>{0, 1}));
  ExpectStopped();
  Loop();
  Play();
  EXPECT_EQ(Ticks(8), (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1}));  // once per column length
}

TEST_F(Playback, PlayStopsBothBanksOnceAndNeverRestarts) {
  Chord(1);
  Chord(2);
  Play();
  Ticks(4);  // all six playback channels now hold notes
  Stop();
  ExpectStopped();
  EXPECT_TRUE(Channels("Stop").empty());  // the notes ring out
  Stop();
  ExpectStopped();

  Play();
  EXPECT_EQ(Channels("Stop"),
            (std::vector<std::string>{"5.Stop", "6.Stop", "7.Stop", "1.Stop", "2.Stop", "3.Stop"}));
  ExpectPlaying();
  EXPECT_EQ(Ticks(3), (std::vector<int>{0, 1, 0}));
  f.PlayBtn->setImageIndex(0);
  Play();  // again: the pictures, nothing else
  ExpectPlaying();
  EXPECT_TRUE(seam.Calls().empty());
  EXPECT_EQ(f.Position.PlayTick, 4);
  EXPECT_EQ(f.Position.PlayColumn, 2);

  f.NewAction->trigger();
  ExpectStopped();
}

TEST_F(Playback, TheViewFollowsTheFigureUnlessLiteMode) {
  SetEndColumn(f, 97);
  Loop();
  Play();
  for (int k = 1; k < 192; ++k) {
    const qint64 before = f.MainImage->Picture().cacheKey();
    f.TimerTimer();
    EXPECT_EQ(f.ScrollBar->value(), k <= 6 ? 0 : std::min(16 * k - 100, 2780)) << "tick " << k;
    EXPECT_NE(f.MainImage->Picture().cacheKey(), before) << "tick " << k;
    if (k == 20) f.ScrollBar->setValue(1000);  // undone by the next tick
  }
  f.TimerTimer();
  EXPECT_EQ(f.ScrollBar->value(), 0);  // the loop went back to the start

  f.Lite1->trigger();
  f.ScrollBar->setValue(1000);
  const qint64 before = f.MainImage->Picture().cacheKey();
  Ticks(10);
  EXPECT_EQ(f.ScrollBar->value(), 1000);
  EXPECT_EQ(f.MainImage->Picture().cacheKey(), before);
}

TEST_F(Playback, TheLoopButtonIsReadOnlyAtTheEnd) {
  const qint64 before = f.MainImage->Picture().cacheKey();
  Loop();
  EXPECT_EQ(f.LoopBtn->ImageIndex(), 5);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_NE(f.MainImage->Picture().cacheKey(), before);  // the repeat signs
  Loop();
  EXPECT_EQ(f.LoopBtn->ImageIndex(), 4);

  FillSong();
  SetEndColumn(f, 3);
  Play();
  EXPECT_EQ(Ticks(3), (std::vector<int>{0, 1, 0}));
  Loop();  // on before the end: the pass loops
  EXPECT_EQ(Ticks(3), (std::vector<int>{5, 0, 1}));
  Loop();  // off in the middle: this pass still ends it
  ExpectPlaying();
  EXPECT_EQ(Ticks(10), (std::vector<int>{0, 5}));
  ExpectStopped();
}

TEST_F(Playback, TheRealTimerPlaysToTheEnd) {
  FillSong();
  SetEndColumn(f, 4);
  f.TempoBar->setValue(700);
  Play();
  EXPECT_EQ(f.Timer->interval(), 42);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Playing; }, 5000));
  EXPECT_EQ(Channels("Play"), (std::vector<std::string>{"1.Play", "5.Play", "1.Play"}));
  ExpectStopped();
  EXPECT_EQ(f.Position.PlayColumn, 4);
}

TEST_F(Playback, ThePointerShowsWheneverNoPreviewIsDrawn) {
  f.show();
  QTest::mouseMove(f.MainImage, {100, 60});
  EXPECT_EQ(f.MainImage->cursor().shape(), Qt::BlankCursor);  // the tool's icon stands in
  const QImage hovered = f.MainImage->Picture();
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(f.MainImage, &leave);
  EXPECT_NE(f.MainImage->Picture(), hovered);  // no frame left behind
  EXPECT_EQ(f.MainImage->cursor().shape(), Qt::ArrowCursor);

  Play();
  f.TimerTimer();
  const QImage playing = f.MainImage->Picture();
  QTest::mouseMove(f.MainImage, {120, 60});
  EXPECT_EQ(f.MainImage->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(f.MainImage->Picture(), playing);
  Stop();
  QTest::mouseMove(f.MainImage, {100, 60});
  EXPECT_EQ(f.MainImage->cursor().shape(), Qt::BlankCursor);
}

}  // namespace

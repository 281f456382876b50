// Playback through the real window: its buttons, its handlers and its timer, on a live
// device whose blocks the test pulls, with the device calls recorded; and without any
// device, on the clock.
#include <gtest/gtest.h>

#include <QAction>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/NoteEditing.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/FormFixture.h"

namespace {

constexpr int kRate = 48000;  // a whole number of frames a millisecond: ticks fall exactly

// The window finds its samples in the folder it starts in; the build folder holds them.
struct TInSampleFolder {
  TInSampleFolder() { std::filesystem::current_path(POMVIK_SAMPLE_FOLDER); }
};

class Playback : public ::testing::Test {
 protected:
  TInSampleFolder folder;
  soundtest::TManualDevice device{kRate};
  TFormFixture fx;
  TForm1& f = *fx.Form;
  dsound::TestSeam seam;
  int64_t lastTick_ = 0;  // the frame of the tick last heard, or of Play

  void SetUp() override {
    ASSERT_TRUE(Control<TDDSD>(f, "DDSD1").Available());
    ASSERT_TRUE(fx.Shown->empty()) << "the samples did not load";
  }

  TToolButton& Button(const char* name) { return Control<TToolButton>(f, name); }
  QTimer& Timer() { return Control<QTimer>(f, "Timer"); }
  QScrollBar& ScrollBar() { return Control<QScrollBar>(f, "ScrollBar"); }
  // The view as the screen shows it.
  QImage OnScreen() { return OnScreen(Control<TImage>(f, "MainImage")); }
  QImage OnScreen(const QWidget& w) {
    const QPoint at = w.mapTo(&f, QPoint(0, 0));
    return f.screen()
        ->grabWindow(f.winId(), at.x(), at.y(), w.width(), w.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
  QSlider& TempoBar() { return Control<QSlider>(f, "TempoBar"); }
  qint64 PictureKey() { return Control<TImage>(f, "MainImage").Picture().cacheKey(); }

  // Sound 1 in row 9 of every column, or three notes in the columns given.
  void FillSong() {
    for (int column = 1; column <= ColumnCount; ++column) f.Document().EditCell(1, {9, column});
  }
  void Chord(int column) {
    for (int row : {3, 6, 9}) f.Document().EditCell(1, {row, column});
  }
  // Play takes effect at the start of the next block pulled.
  void Play() {
    if (!f.Playing()) lastTick_ = device.State->Pulled;
    QTest::mouseClick(&Button("PlayBtn"), Qt::LeftButton);
  }
  void Stop() { QTest::mouseClick(&Button("StopBtn"), Qt::LeftButton); }
  void Loop() { QTest::mouseClick(&Button("LoopBtn"), Qt::LeftButton); }

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
  // Mixes up to each next tick at the tempo shown, hears it and lets the timer draw it;
  // what each sounded: the first channel started, or 0; -1 for a tick that came early.
  std::vector<int> Ticks(int count) {
    std::vector<int> sounded;
    const int32_t delay = Control<TDDSD>(f, "DDSD1").DirectSound()->LimiterDelay();
    for (int k = 0; k < count && f.Playing(); ++k) {
      seam.ClearCalls();
      lastTick_ += int64_t{IntervalFromTempo(TempoBar().value())} * kRate / 1000;
      device.State->PullPast(lastTick_ - 1);
      if (!Channels("Play").empty()) {
        sounded.push_back(-1);
        continue;
      }
      device.State->PullPast(lastTick_);
      device.State->Heard = lastTick_ + delay;
      f.TimerTimer();
      const std::vector<std::string> started = Channels("Play");
      sounded.push_back(started.empty() ? 0 : std::stoi(started.front()));
    }
    return sounded;
  }
  // One of the two states, pictures included: 0 play idle, 1 play lit, 2 stop idle, 3 stop lit.
  void ExpectState(bool playing) {
    EXPECT_EQ(f.Playing(), playing);
    EXPECT_EQ(Timer().isActive(), playing);
    EXPECT_EQ(Button("PlayBtn").isChecked(), playing);
    EXPECT_EQ(Button("StopBtn").isChecked(), !playing);
    EXPECT_EQ(Button("PlayBtn").ImageIndex(), playing ? 1 : 0);
    EXPECT_EQ(Button("StopBtn").ImageIndex(), playing ? 2 : 3);
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
    TempoBar().setValue(tempo);
    EXPECT_EQ(Timer().interval(), interval) << "tempo " << tempo;
  }
  FillSong();
  TempoBar().setValue(100);
  Play();
  EXPECT_EQ(Ticks(2), (std::vector<int>{0, 1}));
  f.Document().Saved();
  TempoBar().setValue(700);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_TRUE(Timer().isActive());
  EXPECT_LE(Timer().remainingTime(), 42);  // the next tick, not the one after it
  // The sequencer ticks at the new tempo from the last tick on: 42 ms later, not 300.
  EXPECT_EQ(Ticks(2), (std::vector<int>{0, 5}));
  EXPECT_EQ(f.PlayPosition(), (TPlayPosition{3, 5}));
  TempoBar().setValue(250);  // and slower again: 120 ms from the last tick, none earlier
  EXPECT_EQ(Ticks(4), (std::vector<int>{0, 1, 0, 5}));
}

TEST_F(Playback, EachEndAndLoopThroughTheHandlers) {
  FillSong();
  Play();
  ExpectPlaying();
  EXPECT_TRUE(device.State->LongBlocks) << "a song plays: the output may take long blocks";
  EXPECT_EQ(Ticks(1000), Pass(96));  // the end found on the tick of column 96
  ExpectStopped();
  EXPECT_FALSE(device.State->LongBlocks);

  Loop();
  Play();
  std::vector<int> looped = Pass(96);
  looped.insert(looped.end(), {0, 1, 0, 5});  // column 1 two ticks after column 96
  EXPECT_EQ(Ticks(196), looped);
  ExpectPlaying();
  Stop();
  EXPECT_FALSE(device.State->LongBlocks);

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
  device.State->PullBlock(256);
  EXPECT_TRUE(Channels("Stop").empty());  // the notes ring out
  Stop();
  ExpectStopped();

  Play();
  device.State->PullBlock(1);  // the next block begins the song
  EXPECT_EQ(Channels("Stop"),
            (std::vector<std::string>{"5.Stop", "6.Stop", "7.Stop", "1.Stop", "2.Stop", "3.Stop"}));
  ExpectPlaying();
  EXPECT_EQ(Ticks(3), (std::vector<int>{0, 1, 0}));
  Button("PlayBtn").setImageIndex(0);
  Play();  // again: the pictures, nothing else
  device.State->PullBlock(1);
  ExpectPlaying();
  EXPECT_TRUE(seam.Calls().empty());
  EXPECT_EQ(f.PlayPosition(), (TPlayPosition{2, 4}));

  Control<QAction>(f, "NewAction").trigger();
  ExpectStopped();
}

TEST_F(Playback, TheViewFollowsTheFigureUnlessLiteMode) {
  SetEndColumn(f, 97);
  Loop();
  Play();
  for (int k = 1; k < 192; ++k) {
    const qint64 before = PictureKey();
    Ticks(1);
    EXPECT_EQ(ScrollBar().value(), k <= 6 ? 0 : std::min(16 * k - 100, 2780)) << "tick " << k;
    EXPECT_NE(PictureKey(), before) << "tick " << k;
    if (k == 20) ScrollBar().setValue(1000);  // undone by the next tick
  }
  Ticks(1);
  EXPECT_EQ(ScrollBar().value(), 0);  // the loop went back to the start

  Control<QAction>(f, "Lite1").trigger();
  ScrollBar().setValue(1000);
  const qint64 before = PictureKey();
  Ticks(10);
  EXPECT_EQ(ScrollBar().value(), 1000);
  EXPECT_EQ(PictureKey(), before);
}

// Adds up what a widget paints.
class TPaintLog : public QObject {
 public:
  explicit TPaintLog(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++Paints;
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
        Area += r.width() * r.height();
    }
    return false;
  }
  int Paints = 0;
  long Area = 0;
};

// A tick repaints where the figure stood and stands and what the scroll uncovers, and the
// scroll bar only when it moves, where its handle was and is; the screen shows the view's
// whole picture and the whole bar all along.
TEST_F(Playback, ATickRepaintsOnlyTheFigureAndWhatScrolled) {
  TImage& view = Control<TImage>(f, "MainImage");
  QScrollBar& bar = ScrollBar();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const long barArea = long{bar.width()} * bar.height();
  long worstBar = 0;
  for (int column = 1; column <= ColumnCount; column += 3) Chord(column);
  SetEndColumn(f, 97);
  Loop();
  QCoreApplication::processEvents();
  Play();
  const long figures = 2L * FigureWidth * FigureHeight;
  long worstStill = 0, worstScrolled = 0, barPaintsStill = 0, totalArea = 0, barPaintsAll = 0;
  int scrolled = 0;
  for (int k = 1; k <= 200; ++k) {
    TPaintLog viewPaints(view), barPaints(ScrollBar());
    const int before = ScrollBar().value();
    Ticks(1);
    QCoreApplication::processEvents();
    const int moved = std::abs(ScrollBar().value() - before);
    totalArea += viewPaints.Area;
    const int barPainted = barPaints.Paints;  // before the whole bar is painted for comparison
    barPaintsAll += barPainted;
    EXPECT_EQ(OnScreen(), view.Picture().convertToFormat(QImage::Format_RGB32)) << "tick " << k;
    if (moved > 0 && moved < view.width()) worstBar = std::max(worstBar, barPaints.Area);
    const QImage barShown = OnScreen(bar);
    bar.repaint();
    EXPECT_EQ(barShown, OnScreen(bar)) << "tick " << k;
    if (k == 1) continue;  // the figure comes: the picture before was drawn without it
    if (moved == 0) {
      worstStill = std::max(worstStill, viewPaints.Area);
      barPaintsStill += barPainted;
    } else if (moved < view.width()) {
      ++scrolled;
      worstScrolled = std::max(worstScrolled, viewPaints.Area - moved * view.height());
    }
  }
  std::printf(
      "200 ticks repaint %ld pixels of the view, the scroll bar %ld times; a tick at "
      "most %ld pixels standing, %ld besides what scrolled in, %ld of the bar's %ld\n",
      totalArea, barPaintsAll, worstStill, worstScrolled, worstBar, barArea);
  EXPECT_GT(scrolled, 150);
  EXPECT_LE(worstStill, figures);
  EXPECT_LE(worstScrolled, figures);
  EXPECT_EQ(barPaintsStill, 0);
  EXPECT_LE(worstBar, barArea / 4);
}

// Wider, the view holds the figure where the designed one does until its shorter range ends,
// and the screen shows its whole picture, selected columns and all, at every tick.
TEST_F(Playback, AWideViewFollowsTheFigureAsFarAsItsRangeGoes) {
  TImage& view = Control<TImage>(f, "MainImage");
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  f.resize(1000, f.height());
  ASSERT_EQ(ScrollBar().maximum(), 2165);
  for (int column = 1; column <= ColumnCount; column += 5) Chord(column);
  QTest::mouseClick(&view, Qt::LeftButton, {}, {ColumnLineX(3, 0), 20});
  QTest::mouseClick(&view, Qt::LeftButton, Qt::ShiftModifier, {ColumnLineX(6, 0), 20});
  ASSERT_EQ(f.SelectedColumns(), (TColumnRange{3, 6}));
  Play();
  for (int k = 1; k < 192; ++k) {
    Ticks(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(ScrollBar().value(), std::clamp(16 * k - 100, 0, 2165)) << "tick " << k;
    ASSERT_EQ(OnScreen(), view.Picture().convertToFormat(QImage::Format_RGB32)) << "tick " << k;
  }
}

TEST_F(Playback, TheLoopButtonIsReadOnlyAtTheEnd) {
  const qint64 before = PictureKey();
  Loop();
  EXPECT_EQ(Button("LoopBtn").ImageIndex(), 5);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_NE(PictureKey(), before);  // the repeat signs
  Loop();
  EXPECT_EQ(Button("LoopBtn").ImageIndex(), 4);

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

TEST_F(Playback, ThePointerShowsWheneverNoPreviewIsDrawn) {
  TImage& view = Control<TImage>(f, "MainImage");
  f.show();
  QTest::mouseMove(&view, {100, 60});
  EXPECT_EQ(view.cursor().shape(), Qt::BlankCursor);  // the tool's icon stands in
  const QImage hovered = view.Picture();
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&view, &leave);
  EXPECT_NE(view.Picture(), hovered);  // no frame left behind
  EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

  Play();
  Ticks(1);
  const QImage playing = view.Picture();
  QTest::mouseMove(&view, {120, 60});
  EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(view.Picture(), playing);
  Stop();
  QTest::mouseMove(&view, {100, 60});
  EXPECT_EQ(view.cursor().shape(), Qt::BlankCursor);
}

// With no sound device at all the component is silent, and the song still walks on the
// clock, through the same sequencer: the real timer draws each tick and stops at the end.
TEST(PlaybackWithoutDevice, TheFigureWalksToTheEndOnTheClock) {
  TInSampleFolder folder;
  TFormFixture fx;
  TForm1& f = *fx.Form;
  ASSERT_FALSE(Control<TDDSD>(f, "DDSD1").Available());
  for (int column = 1; column <= 3; ++column) f.Document().EditCell(1, {9, column});
  SetEndColumn(f, 4);
  Control<QSlider>(f, "TempoBar").setValue(700);
  std::vector<int32_t> drawn;
  QObject::connect(&Control<QTimer>(f, "Timer"), &QTimer::timeout,
                   [&] { drawn.push_back(f.PlayPosition().PlayTick); });
  const auto played = std::chrono::steady_clock::now();
  QTest::mouseClick(&Control<TToolButton>(f, "PlayBtn"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Playing(); }, 5000));
  // The end is heard on tick 6, six intervals of 42 ms after Play.
  EXPECT_GE(std::chrono::steady_clock::now() - played, std::chrono::milliseconds(6 * 42));
  EXPECT_EQ(f.PlayPosition().PlayColumn, 4);
  EXPECT_FALSE(Control<QTimer>(f, "Timer").isActive());
  EXPECT_TRUE(Control<TToolButton>(f, "StopBtn").isChecked());
  // The figure stood on the ticks in order, and came before the end.
  EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end()));
  EXPECT_GE(std::count_if(drawn.begin(), drawn.end(), [](int32_t t) { return t >= 2; }), 1);
}

}  // namespace

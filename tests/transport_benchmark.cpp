// Playback on time, as a listener hears it: the real window plays a song with a note in
// every column through a live output that pulls the mix at the wall clock's pace and keeps
// it; the note onsets found in the recording give the column lengths. Before playback,
// clicks on the score view give the audition's delay from the press to the note's onset.
#include <benchmark/benchmark.h>

#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <numeric>
#include <vector>

#include "app/Application.h"
#include "app/Unit1.h"
#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/NoteEditing.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Recording.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kBlock = 256;  // frames a pull

constexpr int NoteSound = 1;  // the palette's first sound, selected at start
constexpr int NoteRow = 9;    // its own sample at its own rate
constexpr int AuditionClicks = 15;

// Answers nothing and shows nothing: a benchmark has no one to read message boxes.
class TSilentPrompter : public TPrompter {
 public:
  void Error(QWidget*, const QString&, const QString&) override {}
  void Message(QWidget*, const QString&, const QString&) override {}
  std::optional<bool> Confirm(QWidget*, const QString&) override { return false; }
};

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Lets the window's own event loop run, timer included, for a while or until `done`.
template <typename Done>
void RunEvents(Clock::duration limit, Done done) {
  const Clock::time_point until = Clock::now() + limit;
  QEventLoop loop;
  QTimer check;  // coarse, and a timer of its own, so that waiting costs no processor time
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (Clock::now() >= until || done()) loop.quit();
  });
  check.start(10);
  loop.exec();
}

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

struct TTiming {
  std::vector<double> Intervals;  // between consecutive column onsets, ms
  std::vector<double> Auditions;  // press to onset, ms
  int Missed = 0;                 // onsets the recording did not hold
  double WorstResidual = 0;       // of the onsets found
  std::size_t Period = 0;         // frames every onset lies apart by a multiple of
  int Rate = 0;
  double WorstTick = 0;  // the timer's own share: how far the column ticks ran off, ms
};

TTiming PlayAndRecord(int tempo) {
  std::vector<Clock::time_point> presses;
  Clock::time_point opened, played;
  double worstTick = 0;
  auto tape = std::make_shared<soundtest::TPacedOutput::TTape>();
  soundtest::UseLiveOutput(
      [tape] { return std::make_unique<soundtest::TPacedOutput>(tape, kBlock); });
  {
    TForm1 form(std::make_unique<TSilentPrompter>());
    form.StartSound();  // the tape begins with the device
    form.show();
    opened = tape->Started;
    RunEvents(std::chrono::milliseconds(300), [] { return false; });

    const QPoint cell(82, 8 * NoteRow + 32);  // column 1 of the unscrolled view
    for (int i = 0; i < AuditionClicks; ++i) {
      presses.push_back(Clock::now());
      QTest::mousePress(&Control<TImage>(form, "MainImage"), Qt::LeftButton, {}, cell);
      QTest::mouseRelease(&Control<TImage>(form, "MainImage"), Qt::LeftButton, {}, cell);
      RunEvents(std::chrono::milliseconds(200), [] { return false; });
    }

    for (int column = 1; column <= ColumnCount; ++column)
      form.Document().EditCell(NoteSound, {NoteRow, column});
    Control<QSlider>(form, "TempoBar").setValue(tempo);
    RunEvents(std::chrono::milliseconds(1700), [] { return false; });  // the auditions ring out
    std::vector<Clock::time_point> ticks;  // when each tick's handler had run
    ticks.reserve(4 * ColumnCount);
    QObject::connect(&Control<QTimer>(form, "Timer"), &QTimer::timeout,
                     [&] { ticks.push_back(Clock::now()); });
    played = Clock::now();
    QTest::mouseClick(&Control<TToolButton>(form, "PlayBtn"), Qt::LeftButton);
    RunEvents(std::chrono::seconds(40), [&] { return !form.Playing(); });
    RunEvents(std::chrono::milliseconds(300), [] { return false; });
    // Column n sounds on tick 2n.
    for (std::size_t k = 3; k < ticks.size(); k += 2)
      worstTick = std::max(worstTick, std::abs(Milliseconds(ticks[k] - ticks[k - 2]) -
                                               2.0 * IntervalFromTempo(tempo)));
  }  // closing the device stops the output

  const TRecording recording(tape->Rate, soundtest::Channel(tape->Frames, 0));
  const auto frameAt = [&](Clock::time_point t) {
    return static_cast<std::size_t>(std::max(0.0, Milliseconds(t - opened)) * recording.Rate() /
                                    1000.0);
  };
  const auto ms = [&](double frames) { return frames * 1000.0 / recording.Rate(); };
  TTiming timing;
  timing.Rate = recording.Rate();
  timing.WorstTick = worstTick;
  const auto first = recording.FirstSound(frameAt(presses[0]));
  if (!first) return timing;
  const std::vector<float> note = recording.Stretch(*first, recording.Rate() / 100);
  constexpr double Match = 0.1;  // a true onset leaves far less; the next period's far more

  const std::size_t reach = static_cast<std::size_t>(recording.Rate() / 10);
  for (Clock::time_point press : presses) {
    const std::size_t at = frameAt(press);
    const auto found = recording.FindNote(note, at > 50 ? at - 50 : 0, at + reach);
    if (found.Residual < Match)
      timing.Auditions.push_back(ms(static_cast<double>(found.Frame)) -
                                 Milliseconds(press - opened));
  }

  const double column = 2.0 * IntervalFromTempo(tempo) * recording.Rate() / 1000.0;
  const auto halfWidth = static_cast<std::size_t>(0.45 * column);
  double expected = static_cast<double>(frameAt(played)) + column;
  std::optional<std::size_t> last;
  for (int n = 1; n <= ColumnCount; ++n) {
    const auto centre = static_cast<std::size_t>(expected);
    const auto found = recording.FindNote(note, centre - halfWidth, centre + halfWidth);
    if (found.Residual >= Match) {
      ++timing.Missed;
      last.reset();
      expected += column;
      continue;
    }
    timing.WorstResidual = std::max(timing.WorstResidual, found.Residual);
    if (last) {
      timing.Intervals.push_back(ms(static_cast<double>(found.Frame) - static_cast<double>(*last)));
      // A note starts where the mixer put it: at a block's edge, or on its tick's frame.
      timing.Period = std::gcd(timing.Period, found.Frame - *last);
    }
    last = found.Frame;
    expected = static_cast<double>(found.Frame) + column;
  }
  return timing;
}

double Median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

void BM_PlaybackOnTime(benchmark::State& state) {
  const int tempo = static_cast<int>(state.range(0));
  const double nominal = 2.0 * IntervalFromTempo(tempo);
  const double loadBefore = LoadAverage();
  TTiming timing;
  for (auto _ : state) timing = PlayAndRecord(tempo);
  double worst = 0;
  for (double interval : timing.Intervals) worst = std::max(worst, std::abs(interval - nominal));
  const double mean = timing.Intervals.empty()
                          ? NAN
                          : std::accumulate(timing.Intervals.begin(), timing.Intervals.end(), 0.0) /
                                static_cast<double>(timing.Intervals.size());
  state.counters["column_ms"] = nominal;
  state.counters["intervals"] = static_cast<double>(timing.Intervals.size());
  state.counters["missed"] = timing.Missed;
  state.counters["mean_err_pct"] = (mean - nominal) / nominal * 100.0;
  state.counters["worst_dev_ms"] = worst;
  state.counters["audition_median_ms"] = Median(timing.Auditions);
  state.counters["audition_max_ms"] =
      timing.Auditions.empty()
          ? NAN
          : *std::max_element(timing.Auditions.begin(), timing.Auditions.end());
  state.counters["tick_worst_dev_ms"] = timing.WorstTick;
  state.counters["worst_residual"] = timing.WorstResidual;
  state.counters["mix_period_ms"] = 1000.0 * static_cast<double>(timing.Period) / timing.Rate;
  state.counters["load1"] = std::max(loadBefore, LoadAverage());
}
BENCHMARK(BM_PlaybackOnTime)
    ->Arg(700)
    ->Arg(250)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // Where the window finds its samples, whatever folder this is started from.
  std::filesystem::current_path(POMVIK_SAMPLE_FOLDER);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

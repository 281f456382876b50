// The window playing a looping song heard through a real sound server: a PulseAudio server
// of the test's own (a null sink, the server at real-time priority as a desktop runs it),
// whose monitor is recorded. Every column must land on the sample clock and nothing may drop
// out, quiet or with the machine loaded, but where a stall of the machine itself, logged at
// that moment and longer than the stream can ride out, explains it; when the server dies
// and comes back, playback must be heard again within two seconds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/layout/ToolBar.h"
#include "core/SongText.h"
#include "sound/stream/sdl_output.h"
#include "tests/support/ColumnTiming.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Listening.h"
#include "tests/support/MachineLoad.h"
#include "tests/support/ProcessTime.h"
#include "tests/support/Recording.h"
#include "tests/support/RenderRun.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr int kColumns = 16;
constexpr int kFastMs = 84;   // a column at tempo 700
constexpr int kSlowMs = 240;  // and at 250

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs the window's event loop for `ms` without waking it: QTest::qWait polls every 10 ms,
// which costs more than an idle window does.
void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// Sixteen columns, each a sustained note that rings past the next one even at tempo 250, no
// two neighbours alike so that each column is found in the recording by its own sound.
TSong RingingSong() {
  TSong song;
  for (int c = 1; c <= kColumns; ++c) {
    song.Cell(6 + (c - 1) % 8, c) = c <= 8 ? 5 : 12;
    song.NoteCount(c) = 1;
  }
  song.EndColumn = kColumns + 1;
  return song;
}

TToolButton& Button(TFormFixture& f, const char* name) {
  return Control<TToolButton>(*f.Form, name);
}

struct TPlayed {
  std::unique_ptr<TListening> Listening;
  std::vector<float> Recording;
  Clock::time_point Played;  // just before the click on play
};

// Where the tempo changed in a recording: the column that begins the first interval at the
// slower tempo, found as the first of three intervals in a row longer than any before the
// change can be (a dropout lengthens one interval, never three). Nothing when there is none.
std::optional<std::size_t> FirstSlowColumn(const std::vector<TColumnHit>& hits) {
  const int64_t longer = static_cast<int64_t>(kRate) * (kSlowMs - 40) / 1000;
  for (std::size_t i = 0; i + 3 < hits.size(); ++i) {
    bool slow = true;
    for (std::size_t j = i; j < i + 3; ++j)
      slow = slow && hits[j + 1].Frame - hits[j].Frame > longer;
    if (slow) return i;
  }
  return std::nullopt;
}

class ServerPlayback : public ::testing::Test {
 protected:
  void SetUp() override {
#if !POMVIK_LIVE_OUTPUT
    GTEST_SKIP() << "the device layer takes no live output yet: the window's columns are not "
                    "timed on the audio clock, and only those can pass";
#else
    server.emplace(kRate);
    ASSERT_TRUE(server->Missing().empty()) << server->Missing();
    server->UseInThisProcess();
    qputenv("SDL_AUDIODRIVER", "pulseaudio");
    dsound::SetLiveOutputFactory([] { return MakeSdlOutput(); });
#endif
    song = server->Folder() / "ringing.psq";
    ASSERT_NO_FATAL_FAILURE(Render(700, song, render700));
    ASSERT_NO_FATAL_FAILURE(Render(250, server->Folder() / "ringing250.psq", render250));
  }
  // Writes the song at `tempo` to `file` and renders it, two passes. A column sounds over
  // what the columns before it leave ringing, which depends on the tempo: each part of a
  // recording is compared with a render at its own tempo.
  void Render(int tempo, const std::filesystem::path& file, std::vector<float>& rendered) {
    TSongSettingsValues settings;
    settings.Tempo = tempo;
    settings.Loop = true;
    std::ofstream(file, std::ios::binary) << BuildSongText(RingingSong(), settings);
    const std::filesystem::path scratch = server->Folder() / ("render" + std::to_string(tempo));
    std::filesystem::create_directories(scratch);
    const auto run = pomvik::test::RunRender(
        {"--rate", std::to_string(kRate), "--loops", "2", file.string(), "render.wav"}, scratch);
    ASSERT_EQ(run.status, 0) << run.errors;
    for (double v : pomvik::test::ReadAudio(scratch / "render.wav").left)
      rendered.push_back(static_cast<float>(v));
  }
  void TearDown() override {
#if POMVIK_LIVE_OUTPUT
    dsound::SetLiveOutputFactory(nullptr);
#endif
  }

  std::unique_ptr<TFormFixture> OpenWindow() {
    auto f = std::make_unique<TFormFixture>();
    f->Answers->Files.push_back(QString::fromStdString(song.string()));
    f->Form->OpenActionExecute();
    EXPECT_EQ(Control<QSlider>(*f->Form, "TempoBar").value(), 700);
    return f;
  }

  // Plays for `seconds`, the tempo at 700 for the first half and 250 for the rest.
  TPlayed Play(TFormFixture& f, double seconds, const std::string& name) {
    TPlayed played;
    played.Listening = std::make_unique<TListening>(*server, name);
    QTest::qWait(300);
    played.Played = Clock::now();
    QTest::mouseClick(&Button(f, "PlayBtn"), Qt::LeftButton);
    const long ticks = CpuTicks(getpid());
    const long serverTicks = CpuTicks(server->Pid());
    RunEventsFor(static_cast<int>(seconds * 500));
    const double fast = Seconds(Clock::now() - played.Played);
    cpuPlaying = CorePerCent(CpuTicks(getpid()) - ticks, fast);
    cpuServer = CorePerCent(CpuTicks(server->Pid()) - serverTicks, fast);
    Control<QSlider>(*f.Form, "TempoBar").setValue(250);
    RunEventsFor(static_cast<int>(seconds * 500));
    QTest::mouseClick(&Button(f, "StopBtn"), Qt::LeftButton);
    QTest::qWait(200);
    played.Recording = played.Listening->Finish();
    std::printf("processor while playing at tempo 700: %.2f %% of a core, the server %.2f %%\n",
                cpuPlaying, cpuServer);
    return played;
  }

  // The columns heard from `first` to `end`, each found by matching a render at
  // `columnMs` a column; the one at `first` is the song's `column`th (from 0, on and on).
  static std::vector<TColumnHit> Follow(const std::vector<float>& rendered, int columnMs,
                                        const std::vector<float>& heard, int64_t first, int64_t end,
                                        int64_t column = 0) {
    const auto renderFirst = TRecording(kRate, rendered).FirstSound(0, 1e-3f);
    EXPECT_TRUE(renderFirst.has_value());
    if (!renderFirst) return {};
    std::vector<int64_t> onsets;
    for (int j = 0; j < 2 * kColumns; ++j)
      onsets.push_back(static_cast<int64_t>(*renderFirst) +
                       (int64_t{j} * columnMs * kRate + 500) / 1000);
    // The song rings throughout: a silent run in the render would make the check meaningless.
    EXPECT_TRUE(FindSilentRuns(rendered, onsets.front(), onsets.back(), kRate / 1000).empty());
    const TColumnFollower follower(rendered, onsets, kColumns, kRate);
    std::vector<TColumnHit> hits;
    for (const TColumnHit& hit : follower.Follow(heard, first, 100000, 84, 240, column)) {
      if (hit.Frame > end) break;
      hits.push_back(hit);
    }
    return hits;
  }

  // Checks what was heard against the renders, column by column, everything located in the
  // recording itself: the first column heard, the change of tempo, the last column. A column
  // is spoilt when it is unlike the render or the interval to the next is more than 1 ms off;
  // only an excused dropout within it excuses that.
  void ExpectOnTheSampleClock(const TPlayed& played) {
    const std::vector<float>& heard = played.Recording;
    const TRecording recording(kRate, heard);
    const auto first = recording.FirstSound(0, 1e-3f);
    ASSERT_TRUE(first.has_value()) << "nothing was heard";
    int64_t last = static_cast<int64_t>(heard.size()) - 1;
    while (last > 0 && std::fabs(heard[static_cast<std::size_t>(last)]) <= 1e-3f) --last;
    // Stop cuts the column under way: the last whole one starts a slow column before.
    const int64_t end = last - int64_t{kRate} * (kSlowMs + 20) / 1000;

    const std::vector<TColumnHit> hits =
        Follow(render700, kFastMs, heard, static_cast<int64_t>(*first), end);
    const auto slow = FirstSlowColumn(hits);
    ASSERT_TRUE(slow.has_value() && *slow > 0) << "the change of tempo was not heard";
    const int64_t change = hits[*slow].Frame;
    const std::vector<TColumnHit> hits250 =
        Follow(render250, kSlowMs, heard, change, end, static_cast<int64_t>(*slow));
    const TDropoutExcuses dropouts =
        played.Listening->Dropouts(heard, static_cast<int64_t>(*first), end);
    // Every column from the first to the last, at either tempo, was found: the follower
    // never lost its way. A dropout puts off what comes after it by its length.
    const auto sounding = [&](int64_t from, int64_t to) {
      for (const auto& d : dropouts.Dropouts())
        if (d.Run.Frame >= from && d.Run.Frame < to) to -= d.Run.Length;
      return static_cast<double>(to - from) * 1000 / kRate;
    };
    const double expected = sounding(*first, change) / kFastMs + sounding(change, end) / kSlowMs;
    EXPECT_NEAR(static_cast<double>(*slow + hits250.size()), expected, 2) << "columns lost";
    std::vector<double> errors700, errors250;
    double worstCorrelation = 1;
    long spoilt = 0, excused = 0;
    // The interval from column `from` to the next found at `to`, against `ms`.
    auto take = [&](const TColumnHit& from, int64_t to, int ms, std::vector<double>& errors) {
      const double error = std::abs(1000.0 * static_cast<double>(to - from.Frame) / kRate - ms);
      if (error <= 1 && from.Correlation >= 0.99) {
        errors.push_back(error);
        worstCorrelation = std::min(worstCorrelation, from.Correlation);
      } else if (dropouts.SpansExcused(from.Frame, to)) {
        ++excused;
      } else {
        errors.push_back(error);
        worstCorrelation = std::min(worstCorrelation, from.Correlation);
        ++spoilt;
        std::printf("column at %.1f ms spoilt: %.2f ms off, correlation %.4f\n",
                    1000.0 * static_cast<double>(from.Frame) / kRate, error, from.Correlation);
      }
    };
    // Each tempo's columns against the render at that tempo, up to the change and from it.
    // The column at the change sounds over what neither render has: a column is two ticks,
    // and a change between them puts it one tick of each tempo after the column before. So
    // the span from the last column at the old tempo to the second at the new is one
    // interval.
    for (std::size_t i = 0; i + 2 < *slow; ++i)
      take(hits[i], hits[i + 1].Frame, kFastMs, errors700);
    ASSERT_GT(hits250.size(), 2u) << "nothing heard after the change of tempo";
    const int64_t acrossMs = 1000 * (hits250[1].Frame - hits[*slow - 1].Frame) / kRate;
    const int halfAndHalf = (kFastMs + kSlowMs) / 2 + kSlowMs;
    const int whole = kFastMs + kSlowMs;
    take(hits[*slow - 1], hits250[1].Frame,
         std::abs(acrossMs - halfAndHalf) < std::abs(acrossMs - whole) ? halfAndHalf : whole,
         errors700);
    for (std::size_t i = 1; i + 1 < hits250.size(); ++i)
      take(hits250[i], hits250[i + 1].Frame, kSlowMs, errors250);
    auto describe = [](std::vector<double> e, const char* tempo) {
      std::sort(e.begin(), e.end());
      if (e.empty()) return;
      const long over1 = std::count_if(e.begin(), e.end(), [](double x) { return x > 1; });
      std::printf("tempo %s: %zu intervals, error p95 %.2f ms, worst %.2f ms, %ld over 1 ms\n",
                  tempo, e.size(), e[e.size() * 95 / 100], e.back(), over1);
    };
    describe(errors700, "700");
    describe(errors250, "250");
    if (const auto clicked = played.Listening->FrameAt(played.Played))
      std::printf("the first column was heard %.1f ms after the click on play\n",
                  1000.0 * static_cast<double>(static_cast<int64_t>(*first) - *clicked) / kRate);
    std::printf(
        "%zu columns heard from %.1f ms, the tempo changed at %.1f ms; %zu dropouts (%ld "
        "excused), %ld columns spoilt (%ld more excused), worst correlation with the render "
        "%.4f\n",
        *slow + hits250.size(), 1000.0 * static_cast<double>(*first) / kRate,
        1000.0 * static_cast<double>(change) / kRate, dropouts.Dropouts().size(),
        static_cast<long>(dropouts.Dropouts().size()) - dropouts.Unexcused(), spoilt, excused,
        worstCorrelation);
    EXPECT_EQ(dropouts.Unexcused(), 0) << "dropouts with no stall to explain them";
    EXPECT_EQ(spoilt, 0) << "columns off their frame or unlike the render, with no stall";
    EXPECT_GT(errors700.size(), 100u);
    EXPECT_GT(errors250.size(), 40u);
  }

  std::optional<TPulseServer> server;
  std::filesystem::path song;
  std::vector<float> render700, render250;
  double cpuPlaying = 0, cpuServer = 0;
};

TEST_F(ServerPlayback, QuietMachine) {
  auto f = OpenWindow();
  // Idle: nothing sounds, the device is let go.
  QTest::qWait(2500);
  const auto idleFrom = Clock::now();
  const long ticks = CpuTicks(getpid());
  RunEventsFor(10000);
  const double idle = CorePerCent(CpuTicks(getpid()) - ticks, Seconds(Clock::now() - idleFrom));
  std::printf("processor while idle: %.2f %% of a core\n", idle);
  EXPECT_LT(idle, 0.3);

  const TPlayed played = Play(*f, 30, "quiet");
  ASSERT_FALSE(played.Listening->Latencies().empty()) << "the server reported no stream";
  // A song plays on long blocks, which wake the server far less (a click's short ones are
  // the SDL output's own, measured with the output alone): some 60-70 ms.
  for (const auto& latency : played.Listening->Latencies())
    EXPECT_LE(latency.BufferMs + latency.SinkMs, 100.0) << "the stream's latency";
  // 1.9 to 2.1 % measured with long blocks on a busy machine, 3.5 to 4.6 % with short ones.
  EXPECT_LT(cpuPlaying, 4.0);
  ExpectOnTheSampleClock(played);
}

TEST_F(ServerPlayback, LoadedMachine) {
  auto f = OpenWindow();
  TMachineLoad load(server->Folder(), 45);
  QTest::qWait(1000);
  ASSERT_TRUE(load.Running()) << "stress-ng did not start";
  const TPlayed played = Play(*f, 30, "loaded");
  load.Stop();
  ExpectOnTheSampleClock(played);
}

TEST_F(ServerPlayback, ServerRestartsDuringPlayback) {
  auto f = OpenWindow();
  std::optional<TMonitorRecording> before(std::in_place, *server, "before");
  QTest::qWait(300);
  QTest::mouseClick(&Button(*f, "PlayBtn"), Qt::LeftButton);
  QTest::qWait(3000);
  ASSERT_GT(TRecording(kRate, before->Finish()).FirstSound(0, 1e-3f).value_or(0), 0u);
  before.reset();
  server->Kill();
  QTest::qWait(500);
  ASSERT_TRUE(server->Start()) << server->Missing();
  TMonitorRecording after(*server, "after");
  QTest::qWait(3000);
  const std::vector<float> heard = after.Finish();
  const auto resumed = TRecording(kRate, heard).FirstSound(0, 1e-3f);
  EXPECT_TRUE(f->Form->Playing()) << "playback stopped";
  QTest::mouseClick(&Button(*f, "StopBtn"), Qt::LeftButton);
  ASSERT_TRUE(resumed.has_value()) << "playback never came back";
  const double seconds = static_cast<double>(*resumed) / kRate;
  std::printf("heard again %.0f ms after the server was back\n", 1000 * seconds);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace

// The window started while no sound server runs: the live output keeps looking for one
// whenever something sounds, and a song played meanwhile is heard within two seconds of a
// server appearing (a private PulseAudio server, recorded from its sink's monitor).
#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/layout/ToolBar.h"
#include "sound/ddsd/ddsd.h"
#include "sound/stream/sdl_output.h"
#include "tests/support/FormFixture.h"
#include "tests/support/PulseServer.h"
#include "tests/support/Recording.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;

TEST(LateServer, ASongPlayedBeforeTheServerIsHeardWithinTwoSecondsOfIt) {
  std::filesystem::current_path(POMVIK_SAMPLE_FOLDER);  // the window finds waves/ here
  TPulseServer server(kRate);
  ASSERT_TRUE(server.Missing().empty()) << server.Missing();
  server.Kill();  // its socket stays where the program will look for it
  server.UseInThisProcess();
  qputenv("SDL_AUDIODRIVER", "pulseaudio");
  dsound::SetLiveOutputFactory([] { return MakeSdlOutput(); });

  TFormFixture fx;
  TForm1& f = *fx.Form;
  // A device to mix on is there, though nothing can be heard yet.
  ASSERT_TRUE(Control<TDDSD>(f, "DDSD1").Available());
  EXPECT_TRUE(fx.Shown->empty());
  for (int column = 1; column <= 8; ++column) f.Document().EditCell(5, {7, column});
  SetEndColumn(f, 9);
  QTest::mouseClick(&Control<TToolButton>(f, "LoopBtn"), Qt::LeftButton);
  QTest::mouseClick(&Control<TToolButton>(f, "PlayBtn"), Qt::LeftButton);
  QTest::qWait(1000);
  // The song walks on the clock meanwhile.
  EXPECT_GT(f.Position.PlayTick, 3);

  ASSERT_TRUE(server.Start()) << server.Missing();
  const Clock::time_point appeared = Clock::now();
  TMonitorRecording recording(server, "late");
  const Clock::time_point recordingStarted = Clock::now();
  QTest::qWait(3000);
  QTest::mouseClick(&Control<TToolButton>(f, "StopBtn"), Qt::LeftButton);
  const std::vector<float> heard = recording.Finish();
  dsound::SetLiveOutputFactory(nullptr);

  const auto first = TRecording(kRate, heard).FirstSound(0, 1e-3f);
  ASSERT_TRUE(first.has_value()) << "nothing was heard";
  // The recording begins a little after the server answers: count from the answer.
  const double seconds = std::chrono::duration<double>(recordingStarted - appeared).count() +
                         static_cast<double>(*first) / kRate;
  std::printf("heard %.0f ms after the server appeared\n", 1000 * seconds);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace

// The window started while no sound server answers where it looks: the live output keeps
// looking for one whenever something sounds, and a song played meanwhile is heard within
// two seconds of a server appearing there (a private PulseAudio server, recorded from its
// sink's monitor).
#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/layout/ToolBar.h"
#include "sound/ddsd/ddsd.h"
#include "sound/stream/sdl_output.h"
#include "tests/support/FormFixture.h"
#include "tests/support/PulseServer.h"
#include "tests/support/Recording.h"

namespace {

constexpr int kRate = 48000;

TEST(LateServer, ASongPlayedBeforeTheServerIsHeardWithinTwoSecondsOfIt) {
  std::filesystem::current_path(POMVIK_SAMPLE_FOLDER);  // the window finds waves/ here
  TPulseServer server(kRate);
  ASSERT_TRUE(server.Missing().empty()) << server.Missing();
  // The program looks for a server on a socket that is not there yet; the recorder reaches
  // the server on its own, so that the recording runs before the program's server appears.
  server.UseInThisProcess();
  const std::filesystem::path late = server.Folder() / "late";
  setenv("PULSE_SERVER", ("unix:" + late.string()).c_str(), 1);
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

  // The null sink hands the recorder its first blocks late and at once: wait until a second
  // of them has come, so that the recording keeps time with the sink from here on.
  TMonitorRecording recording(server, "late");
  ASSERT_TRUE(QTest::qWaitFor([&] { return recording.Frames() >= kRate; }, 10000))
      << "the recording did not start";
  // The song walks on the clock meanwhile.
  EXPECT_GT(f.PlayPosition().PlayTick, 3);

  ASSERT_TRUE(server.OpenSocket(late));
  const int64_t appeared = recording.Frames();
  QTest::qWait(3000);
  QTest::mouseClick(&Control<TToolButton>(f, "StopBtn"), Qt::LeftButton);
  const std::vector<float> heard = recording.Finish();
  dsound::SetLiveOutputFactory(nullptr);

  const auto first = TRecording(kRate, heard).FirstSound(0, 1e-3f);
  ASSERT_TRUE(first.has_value()) << "nothing was heard";
  const int64_t at = static_cast<int64_t>(*first);
  ASSERT_GE(at, appeared) << "heard before the server appeared";
  // The recorder's latency makes `appeared` a little early: the delay is if anything longer.
  const double seconds = static_cast<double>(at - appeared) / kRate;
  std::printf("heard %.0f ms after the server appeared\n", 1000 * seconds);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace

// Onsets through a live output that pulls the mix on its own thread at the wall clock's
// pace: each Play lands at the start of the next block, so sounds land in the recording as
// evenly as they were started.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/Recording.h"

using namespace soundtest;

namespace {

constexpr uint32_t kBlock = 256;

TEST(SoundTiming, OnsetsFollowThePlayCalls) {
  TempDir dir;
  auto tape = std::make_shared<TPacedOutput::TTape>();
  UseLiveOutput([tape] { return std::make_unique<TPacedOutput>(tape, kBlock); });

  std::vector<double> started;
  {
    TDDSD component(nullptr);
    component.setDebugOption({});
    component.Loaded();
    ASSERT_TRUE(component.Available());
    component.SetPrimaryFormat(23160, 16, true);
    TDDSDWaveData click(&component, dir.Write("click.wav", SineWav(1000, 22050, 0.03)));
    auto zero = std::chrono::steady_clock::now();
    for (int i = 0; i < 16; ++i) {
      std::this_thread::sleep_until(zero + std::chrono::milliseconds(120 * i + 200));
      TDDSDChannel* channel = component.Channels(1 + i % 3);
      channel->Stop();
      channel->setWaveData(&click);
      channel->SetFrequencyRatio(1.0);
      channel->Play();
      started.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - zero).count());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  dsound::SetLiveOutputFactory(nullptr);
  const TRecording recording(tape->Rate, Channel(tape->Frames, 0));
  const int rate = recording.Rate();
  const std::vector<float>& recorded = recording.Frames();
  std::vector<double> onsets;
  size_t quietSince = 0;
  for (size_t i = 0; i < recorded.size(); ++i) {
    if (std::fabs(recorded[i]) > 0.02f) {
      if (i - quietSince > static_cast<size_t>(rate) / 20)
        onsets.push_back(static_cast<double>(i) / rate);
      quietSince = i;
    }
  }
  ASSERT_EQ(onsets.size(), started.size());
  double worst = 0;
  for (size_t i = 1; i < onsets.size(); ++i) {
    double error = (onsets[i] - onsets[0]) - (started[i] - started[0]);
    worst = std::max(worst, std::fabs(error));
  }
  std::printf("mix rate %d Hz, worst onset error %.2f ms\n", rate, worst * 1000);
  // A block is 5.3 ms; the rest is the wall clock's jitter on a busy machine.
  EXPECT_LT(worst, 0.012);
}

}  // namespace

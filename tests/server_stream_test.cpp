// The SDL output alone heard through a real sound server: a PulseAudio server of the test's
// own (a null sink, the server at real-time priority as a desktop runs it), whose monitor is
// recorded, pulled by a tone of the test's own: a full-scale mark every 84 ms on a quieter
// sine, so that a dropout shows as silence and as a mark moved off its frame. Nothing may
// drop out, quiet or with the machine loaded, but where a stall of the machine itself,
// logged at that moment and longer than the stream can ride out, explains it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include "sound/stream/sdl_output.h"
#include "tests/support/Listening.h"
#include "tests/support/MachineLoad.h"
#include "tests/support/ProcessTime.h"
#include "tests/support/Recording.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <typename Condition>
bool WaitUntil(Condition condition, Clock::duration limit) {
  const auto end = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class ServerStream : public ::testing::Test {
 protected:
  static constexpr int64_t kMarkEvery = kRate * 84 / 1000;

  void SetUp() override {
    server.emplace(kRate);
    ASSERT_TRUE(server->Missing().empty()) << server->Missing();
    server->UseInThisProcess();
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  }
  dsound::LiveOutput::Pull Tone() {
    return [this](float* out, uint32_t frames) {
      for (uint32_t i = 0; i < frames; ++i, ++frame) {
        const float v = !sounding ? 0.0f
                        : frame % kMarkEvery == 0
                            ? 0.9f
                            : 0.3f * std::sin(0.0576f * static_cast<float>(frame % 10000));
        out[2 * i] = out[2 * i + 1] = v;
      }
      return sounding.load();
    };
  }
  // Every mark heard must lie exactly kMarkEvery frames after the one before, and nothing
  // may drop out, but where a stall excuses it.
  static void ExpectEveryMark(const TListening& listening, const std::vector<float>& heard) {
    std::vector<int64_t> marks;
    for (std::size_t i = 0; i < heard.size(); ++i)
      if (heard[i] > 0.6f) marks.push_back(static_cast<int64_t>(i));
    ASSERT_GT(marks.size(), 50u) << "the tone was not heard";
    const TDropoutExcuses dropouts = listening.Dropouts(heard, marks.front(), marks.back());
    long off = 0, excused = 0;
    for (std::size_t i = 1; i < marks.size(); ++i) {
      if (marks[i] - marks[i - 1] == kMarkEvery) continue;
      ++(dropouts.SpansExcused(marks[i - 1], marks[i]) ? excused : off);
    }
    std::printf("%zu marks, %ld off their frame (%ld more excused), %zu dropouts (%ld excused)\n",
                marks.size(), off, excused, dropouts.Dropouts().size(),
                static_cast<long>(dropouts.Dropouts().size()) - dropouts.Unexcused());
    EXPECT_EQ(off, 0) << "marks off their frame with no stall to explain them";
    EXPECT_EQ(dropouts.Unexcused(), 0) << "dropouts with no stall to explain them";
  }

  std::optional<TPulseServer> server;
  std::atomic<int64_t> frame{0};
  std::atomic<bool> sounding{true};
};

TEST_F(ServerStream, QuietThenIdle) {
  TListening listening(*server, "stream");
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(Tone()));
  EXPECT_EQ(output->Rate(), kRate) << "not the device's own rate";
  std::this_thread::sleep_for(std::chrono::seconds(8));
  sounding = false;
  const std::vector<float> heard = listening.Finish();
  ASSERT_FALSE(listening.Latencies().empty()) << "the server reported no stream";
  for (const auto& latency : listening.Latencies())
    EXPECT_LE(latency.BufferMs + latency.SinkMs, 20.0);
  ExpectEveryMark(listening, heard);

  // Silent: the device is let go, and then the program costs next to nothing, here and in
  // the server.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_FALSE(server->StreamLatency().has_value()) << "the stream is still open";
  const auto from = Clock::now();
  const long ticks = CpuTicks(getpid());
  const long serverTicks = CpuTicks(server->Pid());
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const double idle = CorePerCent(CpuTicks(getpid()) - ticks, Seconds(Clock::now() - from));
  std::printf("idle: %.2f %% of a core, the server %.2f %%\n", idle,
              CorePerCent(CpuTicks(server->Pid()) - serverTicks, Seconds(Clock::now() - from)));
  EXPECT_LT(idle, 0.3);

  // Something sounds again: back within a few milliseconds.
  sounding = true;
  const int64_t before = frame;
  const auto woken = Clock::now();
  output->Wake();
  ASSERT_TRUE(WaitUntil([&] { return frame > before; }, std::chrono::seconds(1)));
  std::printf("from Wake to the first pull: %.1f ms\n",
              std::chrono::duration<double, std::milli>(Clock::now() - woken).count());
  output->Stop();
}

TEST_F(ServerStream, LoadedMachine) {
  TMachineLoad load(server->Folder(), 20);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_TRUE(load.Running()) << "stress-ng did not start";
  TListening listening(*server, "stream");
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(Tone()));
  std::this_thread::sleep_for(std::chrono::seconds(10));
  output->Stop();
  load.Stop();
  const std::vector<float> heard = listening.Finish();
  ExpectEveryMark(listening, heard);
}

TEST_F(ServerStream, ServerRestarts) {
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(Tone()));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  server->Kill();
  const int64_t atKill = frame;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // Pulled on at wall-clock pace while there is no device.
  EXPECT_GT(frame - atKill, kRate / 3);
  ASSERT_TRUE(server->Start()) << server->Missing();
  TMonitorRecording recording(*server, "after");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const std::vector<float> heard = recording.Finish();
  output->Stop();
  const auto resumed = TRecording(kRate, heard).FirstSound(0, 1e-3f);
  ASSERT_TRUE(resumed.has_value()) << "never came back";
  std::printf("heard again %.0f ms after the server was back\n",
              1000.0 * static_cast<double>(*resumed) / kRate);
  EXPECT_LT(static_cast<double>(*resumed) / kRate, 2.0);
}

}  // namespace

// The SDL2 live output on SDL's own deterministic drivers: "disk" writes the stream to a
// file (or a pipe the test reads and can break) at the device's pace; "dummy" is no device.
#include "sound/stream/sdl_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sound/stream/heard_clock.h"
#include "sound/stream/null_output.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What a test's pull saw. The pull fills frame n of the stream with (n + 1, -(n + 1)) / 2^20,
// exact in float, so the recording can be compared value for value.
struct PullLog {
  std::atomic<int> Pulls{0};
  std::atomic<int64_t> Frames{0};
  std::atomic<bool> Sounding{true};
  std::atomic<int> Policy{-1};
  std::mutex M;
  std::vector<uint32_t> Blocks;
  std::vector<std::thread::id> Threads;
  std::vector<Clock::time_point> Times;
  dsound::LiveOutput* Output = nullptr;

  dsound::LiveOutput::Pull Make() {
    return [this](float* out, uint32_t frames) {
      const int64_t first = Frames.fetch_add(frames);
      for (uint32_t i = 0; i < frames; ++i) {
        const float v = Sounding ? static_cast<float>(first + i + 1) / 1048576.0f : 0.0f;
        out[2 * i] = v;
        out[2 * i + 1] = -v;
      }
      Policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
      // The device layer wakes the output from inside its mix when a buffer starts.
      if (Sounding && Output != nullptr) Output->Wake();
      std::lock_guard<std::mutex> lock(M);
      Blocks.push_back(frames);
      Threads.push_back(std::this_thread::get_id());
      Times.push_back(Clock::now());
      ++Pulls;
      return Sounding.load();
    };
  }
  Clock::time_point LastPull() {
    std::lock_guard<std::mutex> lock(M);
    return Times.empty() ? Clock::time_point{} : Times.back();
  }
};

class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pomvik-stream-XXXXXX");
    path_ = mkdtemp(pattern.data());
  }
  ~Folder() {
    std::error_code e;
    std::filesystem::remove_all(path_, e);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Every test picks SDL's driver itself and keeps off any sound server and session bus.
void UseDriver(const char* driver, const std::filesystem::path& file = {}) {
  setenv("SDL_AUDIODRIVER", driver, 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  unsetenv("SDL_DISKAUDIODELAY");
  setenv("PULSE_SERVER", "unix:/nonexistent", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent", 1);
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

std::vector<float> ReadFloats(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<float> values;
  float v = 0;
  while (in.read(reinterpret_cast<char*>(&v), sizeof v)) values.push_back(v);
  return values;
}

// Points `link` at `target` in one step, as SDL may open it at any moment.
void Retarget(const std::filesystem::path& link, const std::filesystem::path& target) {
  std::filesystem::path fresh = link;
  fresh += ".new";
  std::filesystem::create_symlink(target, fresh);
  std::filesystem::rename(fresh, link);
}

// Whether this process may take SCHED_FIFO at all (root, CAP_SYS_NICE or RLIMIT_RTPRIO).
bool RealtimeAllowed() {
  bool allowed = false;
  std::thread([&] {
    sched_param p{};
    p.sched_priority = 1;
    allowed = sched_setscheduler(0, SCHED_FIFO, &p) == 0;
  }).join();
  return allowed;
}

TEST(HeardClock, FollowsThePullsLessWhatWaitsNeverAheadOrBack) {
  stream::HeardClock clock(48000);
  const auto t0 = Clock::now();
  clock.Mark(4800, 960, t0);
  EXPECT_EQ(clock.Heard(t0), 3840);
  EXPECT_EQ(clock.Heard(t0 + 10ms), 3840 + 480);  // moved on by the time since the pull
  EXPECT_EQ(clock.Heard(t0 + 1s), 4800);          // never beyond what was pulled
  clock.Mark(9600, 960, t0 + 50ms);
  EXPECT_EQ(clock.Heard(t0 + 50ms), 8640);
  // A block pulled with more waiting than before (a device that buffers more) never moves
  // the answer back.
  clock.Mark(10080, 4800, t0 + 60ms);
  EXPECT_EQ(clock.Heard(t0 + 60ms), 8640);
  EXPECT_EQ(clock.Heard(t0 + 160ms), 5280 + 4800);
  stream::HeardClock fresh(48000);
  fresh.Mark(100, 960, t0);
  EXPECT_EQ(fresh.Heard(t0), 0);
}

// Frames pulled a second over about `span`, against the rate: from the first pull in it to
// the last, over the time between them as the pulls saw it, so that this thread or the
// pulling one waking late at either end is not taken for lost time.
template <typename Output>
double PaceOver(const Output& output, PullLog& log, std::chrono::milliseconds span) {
  const auto from = Clock::now();
  std::this_thread::sleep_for(span);
  std::lock_guard<std::mutex> lock(log.M);
  if (log.Times.empty()) return 0;
  std::size_t first = 0;
  while (first < log.Times.size() && log.Times[first] < from) ++first;
  const std::size_t last = log.Times.size() - 1;
  if (first >= last) return 0;
  int64_t frames = 0;
  for (std::size_t i = first + 1; i <= last; ++i) frames += log.Blocks[i];
  const double seconds = std::chrono::duration<double>(log.Times[last] - log.Times[first]).count();
  return static_cast<double>(frames) / seconds / output.Rate();
}

// The frame heard at a moment, read while the heard clock runs free (two readings 2 ms apart
// moved on by 2 ms): not held at the frames pulled waiting for a pull.
struct HeardAt {
  Clock::time_point At;
  int64_t Frame = 0;
};
std::optional<HeardAt> RunningHeardFrame(const dsound::LiveOutput& output) {
  for (int tries = 0; tries < 100; ++tries) {
    const auto t1 = Clock::now();
    const int64_t h1 = output.HeardFrame();
    std::this_thread::sleep_for(2ms);
    const auto t2 = Clock::now();
    const int64_t h2 = output.HeardFrame();
    const double moved = static_cast<double>(h2 - h1) / output.Rate();
    if (std::abs(moved - std::chrono::duration<double>(t2 - t1).count()) < 0.0005)
      return HeardAt{t2, h2};
  }
  return std::nullopt;
}

// The null output, and the SDL output with no device: nothing is pulled until something is
// about to sound; then the clock pulls, the heard frame follows it, and after a while of
// silence the pulls stop again.
TEST(NullOutput, PullsOnTheClockOnlyWhileSomethingSounds) {
  PullLog log;
  log.Sounding = false;
  auto output = MakeNullOutput();
  ASSERT_TRUE(output->Start(log.Make()));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(log.Pulls, 0);
  log.Sounding = true;
  output->Wake();
  ASSERT_TRUE(WaitFor([&] { return log.Pulls > 0; }, 100ms)) << "Wake did not start the pulls";
  const double pace = PaceOver(*output, log, 600ms);
  EXPECT_GT(pace, 0.9);
  EXPECT_LT(pace, 1.1);
  // Heard now: behind what was pulled by at most a block, never ahead of it.
  const int64_t heard = output->HeardFrame();
  EXPECT_LE(heard, log.Frames);
  EXPECT_GT(heard, log.Frames - 2048);
  log.Sounding = false;
  std::this_thread::sleep_for(1700ms);
  const int pulls = log.Pulls;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(log.Pulls, pulls) << "pulls go on in silence";
  log.Sounding = true;
  output->Wake();
  EXPECT_TRUE(WaitFor([&] { return log.Pulls > pulls; }, 100ms)) << "not woken again";
  output->Stop();
  const int stopped = log.Pulls;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(log.Pulls, stopped);
}

TEST(SdlOutput, WithNoDeviceAtStartKeepsTimeAndLooksForOneUnlessTheUserWantsNone) {
  {
    UseDriver("dummy");  // what a user names for no sound at all
    PullLog log;
    auto output = MakeSdlOutput();
    EXPECT_FALSE(output->Start(log.Make()));
    output->Wake();
    output->Stop();
    EXPECT_EQ(log.Pulls, 0);
  }
  {
    UseDriver("nosuchdriver");
    PullLog log;
    auto output = MakeSdlOutput();
    log.Output = output.get();
    EXPECT_TRUE(output->Start(log.Make()));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.Pulls, 0) << "pulled before anything was about to sound";
    output->Wake();
    const double pace = PaceOver(*output, log, 500ms);
    EXPECT_GT(pace, 0.9);
    EXPECT_LT(pace, 1.2);
    output->Stop();
  }

  // The device appears a while after the start: it is opened and the stream goes to it.
  Folder folder;
  const std::filesystem::path device = folder.path() / "device";
  Retarget(device, folder.path() / "missing" / "out.raw");
  UseDriver("disk", device);
  PullLog log;
  auto output = MakeSdlOutput();
  log.Output = output.get();
  ASSERT_TRUE(output->Start(log.Make()));
  output->Wake();
  std::this_thread::sleep_for(400ms);
  EXPECT_GT(log.Frames, 0);
  const std::filesystem::path found = folder.path() / "found.raw";
  Retarget(device, found);
  EXPECT_TRUE(WaitFor(
      [&] {
        std::error_code e;
        return std::filesystem::file_size(found, e) > 0 && !e;
      },
      2000ms))
      << "the device was never found";
  output->Stop();
}

TEST(SdlOutput, PullsBlocksOnItsOwnThreadAtTheDeviceRateUntilStopped) {
  Folder folder;
  UseDriver("disk", folder.path() / "out.raw");
  PullLog log;
  auto output = MakeSdlOutput();
  log.Output = output.get();
  const auto started = Clock::now();
  ASSERT_TRUE(output->Start(log.Make()));
  EXPECT_EQ(output->Rate(), 48000);  // the disk driver names no rate of its own

  // A second output finds the device taken.
  PullLog other;
  EXPECT_FALSE(MakeSdlOutput()->Start(other.Make()));

  std::vector<int64_t> heard;
  while (Clock::now() - started < 600ms) {
    heard.push_back(output->HeardFrame());
    EXPECT_LE(heard.back(), log.Frames);
    std::this_thread::sleep_for(5ms);
  }
  output->Stop();
  const int pullsAtStop = log.Pulls;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(log.Pulls, pullsAtStop) << "a pull after Stop returned";
  EXPECT_EQ(other.Pulls, 0);

  const double seconds = std::chrono::duration<double>(log.LastPull() - started).count();
  ASSERT_GT(pullsAtStop, 10);
  {
    std::lock_guard<std::mutex> lock(log.M);
    for (std::size_t i = 0; i < log.Blocks.size(); ++i) {
      EXPECT_EQ(log.Blocks[i], log.Blocks[0]) << "block " << i;
      EXPECT_EQ(log.Threads[i], log.Threads[0]);
    }
    EXPECT_NE(log.Threads[0], std::this_thread::get_id());
    // Never much over 20 ms a block.
    EXPECT_GE(log.Blocks[0], 256u);
    EXPECT_LE(log.Blocks[0], 1024u);
  }
  // At the device's pace: SDL's disk driver sleeps whole milliseconds per block.
  const double rate = static_cast<double>(log.Frames) / seconds;
  EXPECT_GT(rate, 48000 * 0.85);
  EXPECT_LT(rate, 48000 * 1.2);
  EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
  EXPECT_GT(heard.back(), 0);
  EXPECT_EQ(output->HeardFrame(), log.Frames) << "everything pulled is heard once stopped";

  if (RealtimeAllowed())
    EXPECT_EQ(log.Policy, SCHED_FIFO);
  else
    EXPECT_EQ(log.Policy, SCHED_OTHER);

  // The device got what the pull made, in order, after the silence SDL plays while the new
  // device is paused: float stereo, nothing converted.
  const std::vector<float> written = ReadFloats(folder.path() / "out.raw");
  std::size_t at = 0;
  while (at < written.size() && written[at] == 0.0f) ++at;
  ASSERT_LT(at, written.size());
  const std::size_t frames = (written.size() - at) / 2;
  EXPECT_GT(frames, 10u * log.Blocks[0]);
  for (std::size_t i = 0; i < frames; ++i) {
    const float v = static_cast<float>(i + 1) / 1048576.0f;
    ASSERT_EQ(written[at + 2 * i], v) << "frame " << i;
    ASSERT_EQ(written[at + 2 * i + 1], -v) << "frame " << i;
  }
}

// While a song plays the device takes long blocks, reopened at once; once nothing plays
// it is let go soon after the silence, so that the next click opens it with short ones.
TEST(SdlOutput, TakesLongBlocksWhileASongPlaysAndShortOnesForClicks) {
  Folder folder;
  UseDriver("disk", folder.path() / "out.raw");
  PullLog log;
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(log.Make()));
  const auto lastBlock = [&] {
    std::lock_guard<std::mutex> lock(log.M);
    return log.Blocks.empty() ? 0u : log.Blocks.back();
  };
  ASSERT_TRUE(WaitFor([&] { return lastBlock() != 0; }, 500ms));
  const uint32_t shortBlock = lastBlock();
  EXPECT_LE(shortBlock, 1024u);

  output->PreferLongBlocks(true);
  EXPECT_TRUE(WaitFor([&] { return lastBlock() >= 4096; }, 400ms)) << "not reopened at once";
  output->PreferLongBlocks(false);
  std::this_thread::sleep_for(300ms);
  EXPECT_GE(lastBlock(), 4096u) << "the song's last notes were cut while they rang";

  log.Sounding = false;
  std::this_thread::sleep_for(600ms);
  const int pulls = log.Pulls;
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(log.Pulls, pulls) << "the long blocks were kept after the song";
  log.Sounding = true;
  output->Wake();
  ASSERT_TRUE(WaitFor([&] { return log.Pulls > pulls; }, 500ms));
  EXPECT_EQ(lastBlock(), shortBlock);
  output->Stop();
}

TEST(SdlOutput, ReleasesTheDeviceAfterSilenceAndWakesWithoutWaitingForIt) {
  // A pipe as the disk file: opening it waits for a reader, so a Wake that waited for the
  // device would hang until the test opens one.
  Folder folder;
  const std::filesystem::path pipe = folder.path() / "out.fifo";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  UseDriver("disk", pipe);
  std::atomic<int64_t> bytes{0};
  std::atomic<bool> closed{false};
  auto drain = [&] {
    const int fd = open(pipe.c_str(), O_RDONLY);
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes += n;
    close(fd);
    closed = true;  // the writer closed: the device was released
  };
  std::thread reader(drain);

  PullLog log;
  log.Sounding = false;
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(log.Make()));
  const auto started = Clock::now();
  const bool released = WaitFor([&] { return closed.load(); }, 3000ms);
  const double after = std::chrono::duration<double>(Clock::now() - started).count();
  EXPECT_TRUE(released) << "the device was never released";
  EXPECT_GT(after, 1.0);
  const int pullsWhenReleased = log.Pulls;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(log.Pulls, pullsWhenReleased) << "pulls go on while released";
  EXPECT_EQ(output->HeardFrame(), log.Frames);
  reader.join();

  log.Sounding = true;
  std::atomic<bool> returned{false};
  std::thread waker([&] {
    output->Wake();
    returned = true;
  });
  EXPECT_TRUE(WaitFor([&] { return returned.load(); }, 50ms)) << "Wake waited for the device";
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(log.Pulls, pullsWhenReleased) << "pulled before the device was open";

  closed = false;
  reader = std::thread(drain);
  const auto opened = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return log.Pulls > pullsWhenReleased && bytes > 0; }, 1000ms))
      << "no pull after Wake";
  {
    std::lock_guard<std::mutex> lock(log.M);
    std::printf("from the device's opening to the first pull: %.1f ms\n",
                std::chrono::duration<double, std::milli>(
                    log.Times[static_cast<std::size_t>(pullsWhenReleased)] - opened)
                    .count());
  }
  waker.join();
  output->Stop();
  reader.join();
}

TEST(SdlOutput, KeepsTimeWithoutADeviceAndReopensItWhenItIsBack) {
  // The disk file is a link: first to a pipe the test reads and then breaks, then to
  // nowhere (no device can be opened), at last to a plain file (the device is back).
  Folder folder;
  const std::filesystem::path device = folder.path() / "device";
  ASSERT_EQ(mkfifo((folder.path() / "out.fifo").c_str(), 0600), 0);
  Retarget(device, folder.path() / "out.fifo");
  UseDriver("disk", device);
  std::signal(SIGPIPE, SIG_IGN);
  std::atomic<bool> hangUp{false};
  std::thread reader([&] {
    const int fd = open(device.c_str(), O_RDONLY);
    char buffer[4096];
    while (!hangUp && read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
  });

  PullLog log;
  auto output = MakeSdlOutput();
  ASSERT_TRUE(output->Start(log.Make()));
  const int32_t rate = output->Rate();
  const auto started = Clock::now();
  std::this_thread::sleep_for(300ms);
  const auto beforeLoss = RunningHeardFrame(*output);
  ASSERT_TRUE(beforeLoss.has_value()) << "the heard frame does not follow the device";

  Retarget(device, folder.path() / "missing" / "out.raw");
  hangUp = true;
  reader.join();
  const auto lost = Clock::now();
  std::this_thread::sleep_for(1000ms);
  const auto whileLost = RunningHeardFrame(*output);
  ASSERT_TRUE(whileLost.has_value()) << "the heard frame does not follow the clock";

  const std::filesystem::path back = folder.path() / "back.raw";
  Retarget(device, back);
  const auto returned = Clock::now();
  ASSERT_TRUE(WaitFor(
      [&] {
        std::error_code e;
        return std::filesystem::file_size(back, e) > 0 && !e;
      },
      2000ms))
      << "never reopened";
  std::printf("lost after %.0f ms of play, reopened %.0f ms after the device returned\n",
              std::chrono::duration<double, std::milli>(lost - started).count(),
              std::chrono::duration<double, std::milli>(Clock::now() - returned).count());
  std::this_thread::sleep_for(200ms);
  output->Stop();

  EXPECT_EQ(output->Rate(), rate);
  // Playback's position went on at wall-clock pace across the loss: the time it took to see
  // that the device had gone is not lost from the song.
  const double wallMs =
      std::chrono::duration<double, std::milli>(whileLost->At - beforeLoss->At).count();
  const double heardMs = 1000.0 * static_cast<double>(whileLost->Frame - beforeLoss->Frame) / rate;
  std::printf("over %.0f ms of wall clock across the loss the position moved %.1f ms\n", wallMs,
              heardMs);
  EXPECT_NEAR(heardMs, wallMs, 5);
  // And the pulls kept pace with it, the device there or not.
  const double seconds = std::chrono::duration<double>(log.LastPull() - started).count();
  const double overall = static_cast<double>(log.Frames) / seconds / rate;
  EXPECT_GT(overall, 0.9);
  EXPECT_LT(overall, 1.2);
}

// Run in a child whose real-time priority is refused for real: no CAP_SYS_NICE and
// RLIMIT_RTPRIO 0. The output must still stream.
int StreamWithoutRealtime() {
  sched_param p{};
  p.sched_priority = 1;
  if (sched_setscheduler(0, SCHED_FIFO, &p) == 0) {
    std::puts("real-time priority is still allowed here");
    return 2;
  }
  Folder folder;
  UseDriver("disk", folder.path() / "out.raw");
  PullLog log;
  auto output = MakeSdlOutput();
  if (!output->Start(log.Make())) return 3;
  const bool streamed = WaitFor([&] { return log.Pulls >= 20; }, 2000ms);
  output->Stop();
  if (!streamed) return 4;
  return log.Policy == SCHED_OTHER ? 0 : 5;
}

TEST(SdlOutput, StreamsWhenRealtimePriorityIsRefused) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  // As root the capability has to go too; a user's RLIMIT_RTPRIO is enough otherwise.
  const std::string drop =
      geteuid() == 0 ? "setpriv --bounding-set=-sys_nice --inh-caps=-sys_nice -- " : "";
  const std::string command =
      drop + "prlimit --rtprio=0:0 -- '" + self + "' --stream-without-realtime";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << command;
  EXPECT_EQ(WEXITSTATUS(status), 0) << command;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--stream-without-realtime")
    return StreamWithoutRealtime();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// Start-up of the program against a minimal Qt 6 window, side by side in the same runs:
// each is started in turn on a virtual X display and timed from its start to its first
// paint, seen on the screen itself (the window's pixels leave the black of the empty
// screen); its resident memory is read a second after its start. The program opens its
// sound device for real, on a private PulseAudio server. Both start from an empty folder,
// and from a folder of 2,000 files as a full home or download folder holds.
//
// "Time" is the program's first paint; minimal_ms is the minimal window's in the same run
// and over_minimal_ms the difference; the cpu_ms counters give the processor time each had
// used by its first paint, which a busy machine does not stretch. --compare=PROGRAM times
// another build of the program (an older one, say) in the same runs too, as compare_*.
//   startup_benchmark [--runs=N] [--compare=PROGRAM] [benchmark options]
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/PulseServer.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kManyFiles = 2000;

struct TRun {
  double Milliseconds;
  double CpuMilliseconds;  // that the process's threads ran until then
  double ResidentMiB;
};

std::set<xcb_window_t> MappedWindows(xcb_connection_t* x, xcb_window_t root) {
  std::set<xcb_window_t> mapped;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
  if (tree == nullptr) return mapped;
  const xcb_window_t* children = xcb_query_tree_children(tree);
  for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
    auto* attributes =
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, children[i]), nullptr);
    if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
      mapped.insert(children[i]);
    std::free(attributes);
  }
  std::free(tree);
  return mapped;
}

// Whether any pixel of a small square at the window's centre is other than black.
bool Painted(xcb_connection_t* x, xcb_window_t window) {
  auto* geometry = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr);
  if (geometry == nullptr) return false;
  const int16_t cx = static_cast<int16_t>(geometry->width / 2);
  const int16_t cy = static_cast<int16_t>(geometry->height / 2);
  std::free(geometry);
  auto* image = xcb_get_image_reply(
      x, xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, window, cx, cy, 16, 16, ~0u), nullptr);
  if (image == nullptr) return false;
  const uint8_t* data = xcb_get_image_data(image);
  const bool painted =
      std::any_of(data, data + xcb_get_image_data_length(image), [](uint8_t b) { return b != 0; });
  std::free(image);
  return painted;
}

// The time the live threads of `pid` have run, from the scheduler's own count: on a busy
// machine the first paint waits for the processor, and this says what the start itself cost.
double CpuMilliseconds(pid_t pid) {
  double total = 0;
  std::error_code none;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", none)) {
    uint64_t nanoseconds = 0;
    if (std::ifstream(task.path() / "schedstat") >> nanoseconds)
      total += static_cast<double>(nanoseconds) / 1e6;
  }
  return total;
}

double ResidentMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

// A folder such as a user starts a program from: texts, scripts, songs, pictures and other
// data, each a small file whose type is only known by reading it.
void FillWithFiles(const fs::path& folder) {
  fs::create_directories(folder);
  for (int n = 0; n < kManyFiles; ++n) {
    const std::string id = std::to_string(n);
    switch (n % 5) {
      case 0:
        std::ofstream(folder / ("note" + id + ".txt")) << "a note, number " << id << "\n";
        break;
      case 1: {
        const fs::path script = folder / ("run" + id);
        std::ofstream(script) << "#!/bin/sh\necho " << id << "\n";
        fs::permissions(script, fs::perms::owner_exec, fs::perm_options::add);
        break;
      }
      case 2:
        std::ofstream(folder / ("song" + id + ".psq")) << "SCORE=00\r\nTEMPO=250\r\n";
        break;
      case 3:
        std::ofstream(folder / ("picture" + id + ".png"), std::ios::binary)
            << std::string_view("\x89PNG\r\n\x1a\n", 8);
        break;
      default:
        std::ofstream(folder / ("data" + id), std::ios::binary)
            << std::string(64, static_cast<char>(n));
        break;
    }
  }
}

// Xvfb, a sound server and the folders, once for the whole run.
class TDesktop {
 public:
  TDesktop() : server_(48000) {
    if (!server_.Missing().empty()) {
      problem_ = server_.Missing();
      return;
    }
    display_ = ":" + std::to_string(90 + getpid() % 100);
    xvfb_ = std::make_unique<TChildProcess>(
        std::vector<std::string>{"Xvfb", display_, "-screen", "0", "1024x768x24", "-br",
                                 "-nolisten", "tcp"},
        std::map<std::string, std::string>{}, (server_.Folder() / "xvfb.log").string());
    for (int i = 0; i < 200 && (x_ == nullptr || xcb_connection_has_error(x_)); ++i) {
      if (x_ != nullptr) xcb_disconnect(x_);
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      x_ = xcb_connect(display_.c_str(), nullptr);
    }
    if (xcb_connection_has_error(x_)) {
      problem_ = "Xvfb did not start";
      return;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
    environment_ = server_.ClientEnvironment();
    environment_["DISPLAY"] = display_;
    environment_["QT_QPA_PLATFORM"] = "xcb";
    environment_["WAYLAND_DISPLAY"] = "";
    environment_["SDL_AUDIODRIVER"] = "";
    environment_["ALSOFT_DRIVERS"] = "";
    environment_["XDG_CONFIG_HOME"] = (server_.Folder() / "config").string();
    environment_["XDG_STATE_HOME"] = (server_.Folder() / "state").string();
    environment_["HOME"] = server_.Folder().string();
    fs::create_directories(Empty());
    FillWithFiles(Full());
  }
  ~TDesktop() {
    if (x_ != nullptr) xcb_disconnect(x_);
  }

  // Why no run can be made; empty when all is there.
  const std::string& Problem() const { return problem_; }
  fs::path Empty() const { return server_.Folder() / "empty"; }
  fs::path Full() const { return server_.Folder() / "full"; }

  // Starts `program` in `folder`; nothing when it showed no painted window within 10 s.
  std::optional<TRun> TimeOne(const std::string& program, const fs::path& folder) {
    const std::set<xcb_window_t> before = MappedWindows(x_, root_);
    const fs::path here = fs::current_path();
    fs::current_path(folder);  // the child starts in it
    const auto started = Clock::now();
    TChildProcess child({program}, environment_, (server_.Folder() / "programs.log").string());
    fs::current_path(here);
    std::optional<xcb_window_t> window;
    while (Clock::now() < started + std::chrono::seconds(10)) {
      if (!window) {
        for (xcb_window_t w : MappedWindows(x_, root_))
          if (!before.contains(w)) window = w;
      }
      if (window && Painted(x_, *window)) {
        TRun run{std::chrono::duration<double, std::milli>(Clock::now() - started).count(),
                 CpuMilliseconds(child.Pid()), 0};
        std::this_thread::sleep_until(started + std::chrono::seconds(1));
        run.ResidentMiB = ResidentMiB(child.Pid());
        child.Stop(SIGKILL);
        return run;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return std::nullopt;
  }

 private:
  TPulseServer server_;
  std::string display_;
  std::unique_ptr<TChildProcess> xvfb_;
  xcb_connection_t* x_ = nullptr;
  xcb_window_t root_ = 0;
  std::map<std::string, std::string> environment_;
  std::string problem_;
};

TDesktop* Desktop = nullptr;
std::string Compared;  // --compare

// One run: the minimal window, then the program, then the compared program, each in turn.
void BM_FirstPaint(benchmark::State& state, bool fromFullFolder) {
  const fs::path folder = fromFullFolder ? Desktop->Full() : Desktop->Empty();
  for (auto _ : state) {
    const std::optional<TRun> minimal = Desktop->TimeOne(POMVIK_MINIMAL_WINDOW, folder);
    const std::optional<TRun> program = Desktop->TimeOne(POMVIK_PROGRAM, folder);
    std::optional<TRun> compared;
    if (!Compared.empty()) compared = Desktop->TimeOne(Compared, folder);
    if (!minimal || !program || (!Compared.empty() && !compared)) {
      state.SkipWithError("a program showed no window");
      return;
    }
    state.SetIterationTime(program->Milliseconds / 1000);
    state.counters["minimal_ms"] = minimal->Milliseconds;
    state.counters["over_minimal_ms"] = program->Milliseconds - minimal->Milliseconds;
    state.counters["cpu_ms"] = program->CpuMilliseconds;
    state.counters["minimal_cpu_ms"] = minimal->CpuMilliseconds;
    state.counters["MiB"] = program->ResidentMiB;
    state.counters["minimal_MiB"] = minimal->ResidentMiB;
    if (compared) {
      state.counters["compare_ms"] = compared->Milliseconds;
      state.counters["compare_cpu_ms"] = compared->CpuMilliseconds;
      state.counters["compare_MiB"] = compared->ResidentMiB;
    }
  }
}

// Takes "--NAME=VALUE" out of the arguments, before the benchmark library sees them.
std::optional<std::string> TakeOption(int& argc, char** argv, std::string_view name) {
  const std::string prefix = "--" + std::string(name) + "=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.rfind(prefix, 0) != 0) continue;
    std::string value(arg.substr(prefix.size()));
    std::copy(argv + i + 1, argv + argc + 1, argv + i);
    --argc;
    return value;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = std::stoi(TakeOption(argc, argv, "runs").value_or("10"));
  Compared = TakeOption(argc, argv, "compare").value_or("");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  TDesktop desktop;
  if (!desktop.Problem().empty()) {
    std::fprintf(stderr, "%s\n", desktop.Problem().c_str());
    return 1;
  }
  Desktop = &desktop;
  for (const bool full : {false, true})
    benchmark::RegisterBenchmark(full ? "FirstPaint/2000_files" : "FirstPaint/empty_folder",
                                 BM_FirstPaint, full)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(runs)
        ->DisplayAggregatesOnly(true);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

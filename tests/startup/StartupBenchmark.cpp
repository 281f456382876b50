// Start-up of the program against a minimal Qt 6 window, side by side in one run: each is
// started in turn on a virtual X display and timed from its start to its first paint, seen
// on the screen itself (the window's pixels leave the black of the empty screen); its
// resident memory is read a second later. The program opens its sound device for real, on a
// private PulseAudio server.
//   startup_benchmark PROGRAM MINIMAL_WINDOW [RUNS]
#include <signal.h>
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
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/PulseServer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TRun {
  double Milliseconds;
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

double ResidentMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

std::optional<TRun> TimeOne(xcb_connection_t* x, xcb_window_t root, const std::string& program,
                            const std::map<std::string, std::string>& environment) {
  const std::set<xcb_window_t> before = MappedWindows(x, root);
  const auto started = Clock::now();
  TChildProcess child({program}, environment, "/dev/null");
  const auto limit = started + std::chrono::seconds(10);
  std::optional<xcb_window_t> window;
  while (Clock::now() < limit) {
    if (!window) {
      for (xcb_window_t w : MappedWindows(x, root))
        if (!before.contains(w)) window = w;
    }
    if (window && Painted(x, *window)) {
      TRun run{std::chrono::duration<double, std::milli>(Clock::now() - started).count(), 0};
      std::this_thread::sleep_for(std::chrono::seconds(1));
      run.ResidentMiB = ResidentMiB(child.Pid());
      child.Stop(SIGKILL);
      return run;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return std::nullopt;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PROGRAM MINIMAL_WINDOW [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 3 ? std::atoi(argv[3]) : 10;
  TPulseServer server(48000);
  if (!server.Missing().empty()) {
    std::fprintf(stderr, "%s\n", server.Missing().c_str());
    return 1;
  }
  const std::string display = ":" + std::to_string(90 + getpid() % 100);
  TChildProcess xvfb({"Xvfb", display, "-screen", "0", "1024x768x24", "-br", "-nolisten", "tcp"},
                     {}, (server.Folder() / "xvfb.log").string());
  xcb_connection_t* x = nullptr;
  for (int i = 0; i < 200 && (x == nullptr || xcb_connection_has_error(x)); ++i) {
    if (x != nullptr) xcb_disconnect(x);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    x = xcb_connect(display.c_str(), nullptr);
  }
  if (xcb_connection_has_error(x)) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  std::map<std::string, std::string> environment = server.ClientEnvironment();
  environment["DISPLAY"] = display;
  environment["QT_QPA_PLATFORM"] = "xcb";
  environment["WAYLAND_DISPLAY"] = "";
  environment["SDL_AUDIODRIVER"] = "";
  environment["ALSOFT_DRIVERS"] = "";
  environment["XDG_CONFIG_HOME"] = (server.Folder() / "config").string();
  environment["XDG_STATE_HOME"] = (server.Folder() / "state").string();
  environment["HOME"] = server.Folder().string();

  std::vector<double> programMs, minimalMs, programMiB, minimalMiB;
  for (int i = 0; i < runs; ++i) {
    for (const bool isProgram : {false, true}) {
      const auto run = TimeOne(x, root, argv[isProgram ? 1 : 2], environment);
      if (!run) {
        std::fprintf(stderr, "%s showed no window\n", argv[isProgram ? 1 : 2]);
        return 1;
      }
      (isProgram ? programMs : minimalMs).push_back(run->Milliseconds);
      (isProgram ? programMiB : minimalMiB).push_back(run->ResidentMiB);
    }
  }
  std::printf("first paint, median of %d: minimal window %.0f ms, program %.0f ms (+%.0f ms)\n",
              runs, Median(minimalMs), Median(programMs), Median(programMs) - Median(minimalMs));
  std::printf("resident memory a second later: minimal window %.1f MiB, program %.1f MiB\n",
              Median(minimalMiB), Median(programMiB));
  xcb_disconnect(x);
  return 0;
}

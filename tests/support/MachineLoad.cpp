#include "tests/support/MachineLoad.h"

#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
constexpr long kTmpfsMagic = 0x01021994;

// A folder of the test's own in memory (tmpfs), or beside the test's others when there is none.
std::filesystem::path FilesFolder(const std::filesystem::path& fallback) {
  struct statfs about {};
  const bool inMemory = statfs("/dev/shm", &about) == 0 && about.f_type == kTmpfsMagic;
  std::string pattern =
      ((inMemory ? std::filesystem::path("/dev/shm") : fallback) / "pomvik-load-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return fallback;
  return pattern;
}

std::vector<std::string> LoadCommand(const std::filesystem::path& files, int seconds) {
  return {"stress-ng",
          "--cpu",
          "8",
          "--vm",
          "2",
          "--vm-bytes",
          "1G",
          "--hdd",
          "1",
          "--temp-path",
          files.string(),
          "--timeout",
          std::to_string(seconds) + "s"};
}
}  // namespace

TMachineLoad::TMachineLoad(const std::filesystem::path& folder, int seconds)
    : files_(FilesFolder(folder)),
      load_(LoadCommand(files_, seconds), {}, (folder / "stress.log").string()) {
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  for (int cpu = 0; cpu < std::max(1L, cpus); ++cpu)
    probes_.emplace_back(&TMachineLoad::Probe, this, cpu);
}

TMachineLoad::~TMachineLoad() { Stop(); }

void TMachineLoad::Probe(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  sched_setaffinity(0, sizeof one, &one);
  sched_param param{};
  param.sched_priority = 10;  // the output's own
  sched_setscheduler(0, SCHED_FIFO, &param);
  constexpr auto kSleep = std::chrono::milliseconds(5);
  while (probing_) {
    const auto from = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kSleep);
    const double late =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from - kSleep)
            .count();
    if (late > 1) {
      std::lock_guard<std::mutex> lock(mutex_);
      lateMs_.push_back(late);
    }
  }
}

double TMachineLoad::Stop() {
  if (load_.Running()) load_.Stop(SIGINT);
  probing_ = false;
  for (auto& probe : probes_)
    if (probe.joinable()) probe.join();
  std::error_code e;
  if (files_.filename().string().rfind("pomvik-load-", 0) == 0)
    std::filesystem::remove_all(files_, e);
  std::lock_guard<std::mutex> lock(mutex_);
  return lateMs_.empty() ? 0.0 : *std::max_element(lateMs_.begin(), lateMs_.end());
}

long TMachineLoad::Stalls(double ms) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::count_if(lateMs_.begin(), lateMs_.end(), [ms](double late) { return late > ms; });
}

std::string TMachineLoad::Describe() const {
  double worst = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!lateMs_.empty()) worst = *std::max_element(lateMs_.begin(), lateMs_.end());
  }
  char line[160];
  std::snprintf(line, sizeof line,
                "the machine woke a real-time thread at worst %.1f ms late, %ld times over 10 ms",
                worst, Stalls(10));
  return line;
}

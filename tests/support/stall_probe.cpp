// Watches how late the machine wakes a real-time thread: one probe thread on each processor
// at the sound output's priority sleeps a millisecond at a time, and each wake-up that comes
// more than a millisecond late is written as "stall CPU DUE WOKE". With a file named, a
// thread also writes "size AT BYTES" each time that file grows, so that a recording written
// there can be put on the same clock. Times are milliseconds of CLOCK_MONOTONIC. The first
// line says whether the probe runs at real-time priority ("realtime yes") or why not
// ("realtime no: ..."): without it, a late wake-up says nothing about the output's thread.
// Lines go to the standard output until the probe is killed.
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr long kSleepNanos = 1'000'000;
constexpr double kLateMs = 1;

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// One write a line: the threads' lines never mix in the file the output is appended to.
bool Say(const char* line, int n) {
  return write(STDOUT_FILENO, line, static_cast<size_t>(n)) == static_cast<ssize_t>(n);
}

void Probe(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  sched_setaffinity(0, sizeof one, &one);
  const timespec sleep{0, kSleepNanos};
  for (;;) {
    const double due = Now() + static_cast<double>(kSleepNanos) / 1e6;
    nanosleep(&sleep, nullptr);
    const double woke = Now();
    if (woke - due <= kLateMs) continue;
    char line[96];
    const int n = std::snprintf(line, sizeof line, "stall %d %.3f %.3f\n", cpu, due, woke);
    if (!Say(line, n)) return;
  }
}

void WatchSize(const std::string& file) {
  const timespec sleep{0, kSleepNanos};
  off_t seen = 0;
  for (;;) {
    struct stat s {};
    if (stat(file.c_str(), &s) == 0 && s.st_size != seen) {
      seen = s.st_size;
      char line[96];
      const int n =
          std::snprintf(line, sizeof line, "size %.3f %lld\n", Now(), static_cast<long long>(seen));
      if (!Say(line, n)) return;
    }
    nanosleep(&sleep, nullptr);
  }
}
}  // namespace

int main(int argc, char** argv) {
  // Its own page faults would look like the machine's stalls.
  mlockall(MCL_CURRENT | MCL_FUTURE);
  sched_param param{};
  param.sched_priority = 10;  // the output's own; the threads inherit it
  char line[160];
  const int n = sched_setscheduler(0, SCHED_FIFO, &param) == 0
                    ? std::snprintf(line, sizeof line, "realtime yes\n")
                    : std::snprintf(line, sizeof line, "realtime no: %s\n", std::strerror(errno));
  if (!Say(line, n)) return 1;
  std::vector<std::thread> threads;
  for (int cpu = 0; cpu < std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)); ++cpu)
    threads.emplace_back(Probe, cpu);
  if (argc > 1) threads.emplace_back(WatchSize, std::string(argv[1]));
  for (auto& thread : threads) thread.join();
}

// A probe on each processor at the sound output's real-time priority: every 5 ms it
// sleeps, and each wake-up later than a millisecond is written to the standard output in
// milliseconds, one a line, until the probe is killed.
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
constexpr long kSleepNanos = 5'000'000;

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

void Probe(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  sched_setaffinity(0, sizeof one, &one);
  sched_param param{};
  param.sched_priority = 10;  // the output's own
  sched_setscheduler(0, SCHED_FIFO, &param);
  const timespec sleep{0, kSleepNanos};
  for (;;) {
    const double from = Now();
    nanosleep(&sleep, nullptr);
    const double late = Now() - from - static_cast<double>(kSleepNanos) / 1e6;
    if (late <= 1) continue;
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%.3f\n", late);
    if (write(STDOUT_FILENO, line, static_cast<size_t>(n)) < 0) return;
  }
}
}  // namespace

int main() {
  std::vector<std::thread> probes;
  for (int cpu = 0; cpu < std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)); ++cpu)
    probes.emplace_back(Probe, cpu);
  for (auto& probe : probes) probe.join();
}

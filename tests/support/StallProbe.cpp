#include "tests/support/StallProbe.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

TStallProbe::TStallProbe(const std::filesystem::path& folder)
    : file_(folder / "stalls.txt"),
      probe_(std::make_unique<TChildProcess>(std::vector<std::string>{POMVIK_STALL_PROBE},
                                             std::map<std::string, std::string>{},
                                             file_.string())) {}

void TStallProbe::Stop() {
  if (probe_ && probe_->Running()) probe_->Stop(SIGKILL);
}

void TStallProbe::Collect() {
  lateMs_.clear();
  std::ifstream in(file_);
  double late = 0;
  while (in >> late) lateMs_.push_back(late);
}

long TStallProbe::Stalls(double ms) {
  Collect();
  return std::count_if(lateMs_.begin(), lateMs_.end(), [ms](double late) { return late > ms; });
}

std::string TStallProbe::Describe(double ms) {
  const long over = Stalls(ms);
  const double worst = lateMs_.empty() ? 0.0 : *std::max_element(lateMs_.begin(), lateMs_.end());
  char line[160];
  std::snprintf(line, sizeof line,
                "the machine woke a real-time thread at worst %.1f ms late, %ld times over %.0f ms",
                worst, over, ms);
  return line;
}

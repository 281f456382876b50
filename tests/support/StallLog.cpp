#include "tests/support/StallLog.h"

#include <algorithm>
#include <map>
#include <sstream>

TStallLog TStallLog::Read(std::istream& in) {
  TStallLog log;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "realtime") {
      std::string answer;
      fields >> answer;
      log.realtime_ = answer == "yes";
      std::getline(fields >> std::ws, log.refusal_);
      if (log.realtime_) log.refusal_.clear();
    } else if (kind == "stall") {
      int cpu = 0;
      TWake wake{};
      if (fields >> cpu >> wake.DueMs >> wake.WokeMs) log.wakes_.push_back(wake);
    } else if (kind == "size") {
      TGrowth growth{};
      if (fields >> growth.AtMs >> growth.Bytes) log.growth_.push_back(growth);
    }
  }
  return log;
}

std::vector<TStallLog::TStall> TStallLog::Stalls(double slackMs) const {
  std::vector<TStall> stalls;
  if (!realtime_) return stalls;
  std::vector<TWake> wakes = wakes_;
  std::sort(wakes.begin(), wakes.end(),
            [](const TWake& a, const TWake& b) { return a.DueMs < b.DueMs; });
  std::vector<TStall> merged;
  for (const TWake& w : wakes) {
    const double late = w.WokeMs - w.DueMs;
    if (!merged.empty() && w.DueMs <= merged.back().ToMs) {
      merged.back().ToMs = std::max(merged.back().ToMs, w.WokeMs);
      merged.back().LateMs = std::max(merged.back().LateMs, late);
    } else {
      merged.push_back({w.DueMs, w.WokeMs, late});
    }
  }
  for (const TStall& s : merged)
    if (s.LateMs > slackMs) stalls.push_back(s);
  return stalls;
}

double TStallLog::WorstLateMs() const {
  double worst = 0;
  for (const TWake& w : wakes_) worst = std::max(worst, w.WokeMs - w.DueMs);
  return worst;
}

std::optional<double> TStallLog::FirstFrameMs(int rate, int frameBytes) const {
  std::map<long, double> lowest;  // of each second
  for (const TGrowth& g : growth_) {
    const double bound =
        g.AtMs - 1000.0 * static_cast<double>(g.Bytes / frameBytes) / static_cast<double>(rate);
    const auto second = static_cast<long>((g.AtMs - growth_.front().AtMs) / 1000);
    const auto [at, added] = lowest.emplace(second, bound);
    if (!added) at->second = std::min(at->second, bound);
  }
  if (lowest.empty()) return std::nullopt;
  std::vector<double> bounds;
  for (const auto& [second, bound] : lowest) bounds.push_back(bound);
  std::nth_element(bounds.begin(), bounds.begin() + static_cast<std::ptrdiff_t>(bounds.size() / 2),
                   bounds.end());
  return bounds[bounds.size() / 2];
}

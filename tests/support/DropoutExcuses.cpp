#include "tests/support/DropoutExcuses.h"

#include <algorithm>
#include <cstdio>

TDropoutExcuses::TDropoutExcuses(const std::vector<TSilentRun>& dropouts,
                                 const std::vector<TStallLog::TStall>& stalls,
                                 std::optional<double> firstFrameMs, int rate)
    : firstFrameMs_(firstFrameMs), rate_(rate) {
  for (const TSilentRun& run : dropouts) {
    TDropout dropout{run, std::nullopt};
    if (firstFrameMs_) {
      const double from = Ms(run.Frame) - kToleranceMs;
      const double to = Ms(run.Frame + run.Length) + kToleranceMs;
      for (const TStallLog::TStall& stall : stalls) {
        if (stall.FromMs <= to && stall.ToMs >= from) {
          dropout.Stall = stall;
          break;
        }
      }
    }
    dropouts_.push_back(dropout);
  }
}

double TDropoutExcuses::Ms(int64_t frame) const {
  return *firstFrameMs_ + 1000.0 * static_cast<double>(frame) / rate_;
}

long TDropoutExcuses::Unexcused() const {
  return std::count_if(dropouts_.begin(), dropouts_.end(),
                       [](const TDropout& d) { return !d.Stall; });
}

bool TDropoutExcuses::SpansExcused(int64_t from, int64_t to) const {
  return std::any_of(dropouts_.begin(), dropouts_.end(), [&](const TDropout& d) {
    return d.Stall && d.Run.Frame <= to && d.Run.Frame + d.Run.Length >= from;
  });
}

std::string TDropoutExcuses::Describe() const {
  std::string text;
  for (const TDropout& d : dropouts_) {
    char line[200];
    const double at = 1000.0 * static_cast<double>(d.Run.Frame) / rate_;
    const double ms = 1000.0 * static_cast<double>(d.Run.Length) / rate_;
    if (d.Stall)
      std::snprintf(line, sizeof line,
                    "dropout at %.1f ms, %.1f ms long: excused by a stall of %.1f ms from %.1f "
                    "to %.1f ms\n",
                    at, ms, d.Stall->LateMs, d.Stall->FromMs - *firstFrameMs_,
                    d.Stall->ToMs - *firstFrameMs_);
    else
      std::snprintf(line, sizeof line,
                    "dropout at %.1f ms, %.1f ms long: NOT excused, no stall overlaps it\n", at,
                    ms);
    text += line;
  }
  return text;
}

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ColumnTiming.h"
#include "tests/support/StallLog.h"

// The dropouts heard in a recording, each excused only by a stall of the machine that
// overlaps it in time: a dropout with no such stall is the program's fault.
class TDropoutExcuses {
 public:
  // How far a stall and a dropout may lie apart and still overlap. The recording's place on
  // the probe's clock is found to within about 3 ms, and the server hands frames over in
  // fragments of 4 ms; a dropout that a stall caused was seen to begin inside it, when the
  // stream's queue ran dry 8 to 12 ms after the stall began.
  static constexpr double kToleranceMs = 10;

  // `firstFrameMs`: when the recording's frame 0 was made, on the stalls' clock; without it
  // nothing is excused.
  TDropoutExcuses(const std::vector<TSilentRun>& dropouts,
                  const std::vector<TStallLog::TStall>& stalls, std::optional<double> firstFrameMs,
                  int rate);

  struct TDropout {
    TSilentRun Run;
    std::optional<TStallLog::TStall> Stall;  // what excuses it
  };
  const std::vector<TDropout>& Dropouts() const { return dropouts_; }
  long Unexcused() const;
  // Whether frames [from, to] take in an excused dropout: an interval that spans one is
  // off by its length, and a column that holds one is unlike the render.
  bool SpansExcused(int64_t from, int64_t to) const;
  // A line for each dropout, with the stall that excuses it.
  std::string Describe() const;

 private:
  double Ms(int64_t frame) const;

  std::vector<TDropout> dropouts_;
  std::optional<double> firstFrameMs_;
  int rate_;
};

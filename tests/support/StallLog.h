#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

// What the stall probe (stall_probe.cpp) wrote: whether it ran at real-time priority, each
// wake-up of a probe thread that came late, and when a watched recording grew. Times are
// milliseconds of CLOCK_MONOTONIC.
class TStallLog {
 public:
  static TStallLog Read(std::istream& in);

  // A time when the machine held real-time threads: the wake-ups of the probe threads that
  // overlapped, counted once. `LateMs` is the longest single wake-up's delay: how long one
  // thread surely could not run.
  struct TStall {
    double FromMs;
    double ToMs;
    double LateMs;
  };

  bool Realtime() const { return realtime_; }
  // Why the probe had no real-time priority; empty when it had.
  const std::string& Refusal() const { return refusal_; }

  // The stalls with a delay longer than `slackMs`, what the stream can ride out; none when
  // the probe had no real-time priority, for then its delays are not the output's.
  std::vector<TStall> Stalls(double slackMs) const;
  // The longest delay seen, whatever the priority.
  double WorstLateMs() const;

  // When the watched recording's first frame was made, on the probe's clock. The server
  // makes frames at the recording's rate, so each growth bounds it from above (the frames
  // before had all come by then); the lowest bound of each second is close, and their median
  // holds through a second when the server ran ahead, as a null sink does for a moment when
  // a stream joins. Nothing when the recording never grew.
  std::optional<double> FirstFrameMs(int rate, int frameBytes) const;

 private:
  struct TWake {
    double DueMs;
    double WokeMs;
  };
  struct TGrowth {
    double AtMs;
    int64_t Bytes;
  };

  bool realtime_ = false;
  std::string refusal_ = "the probe never said";
  std::vector<TWake> wakes_;
  std::vector<TGrowth> growth_;
};

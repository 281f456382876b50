#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DropoutExcuses.h"
#include "tests/support/PulseServer.h"
#include "tests/support/StallProbe.h"

// Listening to a server's sink: its monitor recorded, the machine's stalls probed on the
// recording's clock, and the playback stream's latency asked of the server after two, three
// and four seconds (a null sink reports a joining stream's first second oddly), from a
// thread of its own: nothing the test waits on may wait for pactl.
class TListening {
 public:
  TListening(const TPulseServer& server, const std::string& name);
  ~TListening();
  TListening(const TListening&) = delete;
  TListening& operator=(const TListening&) = delete;

  // Ends the recording and the probe and gives the recording's left channel.
  std::vector<float> Finish();

  // The stream's latency as the server reported it while it played (after Finish).
  const std::vector<TPulseServer::TLatency>& Latencies() const { return latencies_; }
  // What the stream can ride out without a dropout: the most it held queued in the server
  // and the sink by those reports (13-16 ms here), or without a report what was measured:
  // a stall of the machine (or a delay put into the output's pulls) of up to 14 ms was never
  // heard, and one of 16 ms or more was heard as one dropout.
  static constexpr double kMeasuredSlackMs = 14;
  double SlackMs() const;

  // The recording's frame at a moment of the steady clock (the probe's own clock), when the
  // recording was seen to grow; after Finish.
  std::optional<int64_t> FrameAt(std::chrono::steady_clock::time_point moment) const;

  // The dropouts within frames [from, to) of the recording, each with the stall that
  // excuses it, if any; the figures go to the standard output.
  TDropoutExcuses Dropouts(const std::vector<float>& heard, int64_t from, int64_t to) const;

 private:
  const TPulseServer& server_;
  TMonitorRecording recording_;
  TStallProbe probe_;
  std::optional<TStallLog> log_;
  std::vector<TPulseServer::TLatency> latencies_;  // written by asking_ until it ends
  std::atomic<bool> finished_{false};
  std::thread asking_;
};

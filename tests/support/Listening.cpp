#include "tests/support/Listening.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

TListening::TListening(const TPulseServer& server, const std::string& name)
    : server_(server), recording_(server, name), probe_(server.Folder(), recording_.File()) {
  asking_ = std::thread([this] {
    for (int ask = 0; ask < 3; ++ask) {
      // Two seconds before the first, one between the others.
      for (int wait = 0; wait < (ask == 0 ? 40 : 20); ++wait) {
        if (finished_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (auto latency = server_.StreamLatency()) latencies_.push_back(*latency);
    }
  });
}

TListening::~TListening() {
  finished_ = true;
  if (asking_.joinable()) asking_.join();
}

std::vector<float> TListening::Finish() {
  finished_ = true;
  if (asking_.joinable()) asking_.join();
  std::vector<float> heard = recording_.Finish();
  log_ = probe_.Stop();
  for (const auto& l : latencies_)
    std::printf("stream latency: buffer %.1f ms + sink %.1f ms\n", l.BufferMs, l.SinkMs);
  return heard;
}

double TListening::SlackMs() const {
  if (latencies_.empty()) return kMeasuredSlackMs;
  double slack = 0;
  for (const auto& l : latencies_) slack = std::max(slack, l.BufferMs + l.SinkMs);
  return slack;
}

std::optional<int64_t> TListening::FrameAt(std::chrono::steady_clock::time_point moment) const {
  const std::optional<double> first =
      log_ ? log_->FirstFrameMs(server_.Rate(), TMonitorRecording::kFrameBytes) : std::nullopt;
  if (!first) return std::nullopt;
  const double ms =
      std::chrono::duration<double, std::milli>(moment.time_since_epoch()).count() - *first;
  return static_cast<int64_t>(ms * server_.Rate() / 1000);
}

TDropoutExcuses TListening::Dropouts(const std::vector<float>& heard, int64_t from,
                                     int64_t to) const {
  const int rate = server_.Rate();
  const std::optional<double> first =
      log_ ? log_->FirstFrameMs(rate, TMonitorRecording::kFrameBytes) : std::nullopt;
  const TDropoutExcuses excuses(FindSilentRuns(heard, from, to, rate / 1000),
                                log_ ? log_->Stalls(SlackMs()) : std::vector<TStallLog::TStall>{},
                                first, rate);
  std::printf("%s\n", probe_.Describe(SlackMs()).c_str());
  if (!first) std::printf("the recording was never seen to grow: no dropout is excused\n");
  std::printf("%s", excuses.Describe().c_str());
  return excuses;
}

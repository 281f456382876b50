#include "tests/support/StallProbe.h"

#include <signal.h>

#include <cstdio>
#include <fstream>

namespace {
std::vector<std::string> ProbeCommand(const std::filesystem::path& recording) {
  std::vector<std::string> command = {POMVIK_STALL_PROBE};
  if (!recording.empty()) command.push_back(recording.string());
  return command;
}
}  // namespace

TStallProbe::TStallProbe(const std::filesystem::path& folder,
                         const std::filesystem::path& recording)
    : file_(folder / "stalls.txt") {
  std::filesystem::remove(file_);
  probe_ = std::make_unique<TChildProcess>(ProbeCommand(recording),
                                           std::map<std::string, std::string>{}, file_.string());
}

const TStallLog& TStallProbe::Stop() {
  if (probe_) probe_->Stop(SIGKILL);
  probe_.reset();
  std::ifstream in(file_);
  log_ = TStallLog::Read(in);
  return log_;
}

std::string TStallProbe::Describe(double slackMs) const {
  char line[240];
  if (!log_.Realtime())
    std::snprintf(line, sizeof line,
                  "the stall probe got no real-time priority (%s): its delays are not the "
                  "output's, and no dropout is excused",
                  log_.Refusal().c_str());
  else
    std::snprintf(line, sizeof line,
                  "the machine woke a real-time thread at worst %.1f ms late; %zu stalls longer "
                  "than the stream's slack of %.1f ms",
                  log_.WorstLateMs(), log_.Stalls(slackMs).size(), slackMs);
  return line;
}

#pragma once

#include <filesystem>

#include "tests/support/ChildProcess.h"

// A busy machine for the playback tests: stress-ng with eight processor, two memory and one
// file workers on the machine's two cores, for at most `seconds`.
//
// The file worker writes to a folder in memory. On a virtual machine whose disk is emulated,
// heavy writes to it hold the guest's own processors: a real-time thread that only sleeps
// wakes up to 30 ms late, which no output with a 20 ms buffer survives and no program can
// change (TStallProbe measures what is left).
class TMachineLoad {
 public:
  TMachineLoad(const std::filesystem::path& folder, int seconds);
  ~TMachineLoad();
  TMachineLoad(const TMachineLoad&) = delete;
  TMachineLoad& operator=(const TMachineLoad&) = delete;

  bool Running() { return load_.Running(); }
  void Stop();

 private:
  std::filesystem::path files_;
  TChildProcess load_;
};

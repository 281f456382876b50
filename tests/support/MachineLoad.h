#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"

// A busy machine for the playback tests: stress-ng with eight processor, two memory and one
// file workers on the machine's two cores, for at most `seconds`.
//
// The file worker writes to a folder in memory. On a virtual machine whose disk is emulated,
// heavy writes to it hold the guest's own processors: a real-time thread that only sleeps
// wakes up to 30 ms late, which no output with a 20 ms buffer survives and no program can
// change. Other work on the machine can still stall it (seen: 270 ms), so a probe thread on
// each processor, at the output's real-time priority, measures how late the machine wakes
// it: a dropout can then be told from a stall of the machine itself.
class TMachineLoad {
 public:
  TMachineLoad(const std::filesystem::path& folder, int seconds);
  ~TMachineLoad();
  TMachineLoad(const TMachineLoad&) = delete;
  TMachineLoad& operator=(const TMachineLoad&) = delete;

  bool Running() { return load_.Running(); }
  // Ends the load and gives the probe's worst lateness in milliseconds.
  double Stop();
  // How many times a probe woke later than `ms`: each is a stall of the machine that any
  // output with a buffer that short would be heard through.
  long Stalls(double ms) const;
  // A line for the test's output: the probes' lateness so far.
  std::string Describe() const;

 private:
  std::filesystem::path files_;
  TChildProcess load_;
  void Probe(int cpu);

  std::atomic<bool> probing_{true};
  mutable std::mutex mutex_;
  std::vector<double> lateMs_;  // every wake-up later than a millisecond
  std::vector<std::thread> probes_;
};

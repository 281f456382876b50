#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

// How late the machine wakes a real-time thread, measured by a probe on each processor at
// the sound output's priority while a playback test runs. A stall of the machine itself (a
// virtual machine's emulated disk holding its processors, another program's work on a
// shared one: seen up to 270 ms) is heard through any output whose buffer is shorter, so a
// dropout can then be told from a fault of the program.
//
// The probe is a program of its own, so that the processor time a test reads of its own
// process stays the program's.
class TStallProbe {
 public:
  // Its findings go to a file in `folder`.
  explicit TStallProbe(const std::filesystem::path& folder);

  // Ends the probe; its findings stay.
  void Stop();
  // How many times a probe woke later than `ms`.
  long Stalls(double ms);
  // A line for the test's output, counting the stalls over `ms`.
  std::string Describe(double ms);

 private:
  void Collect();

  std::filesystem::path file_;
  std::unique_ptr<TChildProcess> probe_;
  std::vector<double> lateMs_;  // every wake-up later than a millisecond
};

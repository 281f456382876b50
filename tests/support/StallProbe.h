#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/StallLog.h"

// How late the machine wakes a real-time thread, measured by a probe on each processor at
// the sound output's priority while a playback test runs (stall_probe.cpp). A stall of the
// machine itself (a virtual machine's emulated disk holding its processors, another
// program's work on a shared one: seen up to 270 ms) is heard through any output whose
// buffer is shorter, so a dropout at the time of one can be told from a fault of the program.
//
// The probe is a program of its own, so that the processor time a test reads of its own
// process stays the program's.
class TStallProbe {
 public:
  // Its findings go to a file in `folder`; `recording`, when named, is a file whose growth it
  // notes, to place the recording's frames on the probe's clock.
  explicit TStallProbe(const std::filesystem::path& folder,
                       const std::filesystem::path& recording = {});

  // Ends the probe and reads what it found.
  const TStallLog& Stop();
  // A line for the test's output: the priority, the worst delay and the stalls over `slackMs`.
  std::string Describe(double slackMs) const;

 private:
  std::filesystem::path file_;
  std::unique_ptr<TChildProcess> probe_;
  TStallLog log_;
};

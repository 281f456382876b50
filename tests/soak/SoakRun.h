#pragma once

#include <cstdint>
#include <string>

// The run a soak process is in, so that whatever ends the process can say how to get back
// to where it was.
namespace soak {

struct TRunInfo {
  uint64_t Seed = 0;
  std::string Program;
  long Current = -1;  // the action under way, or -1 outside the run
};
TRunInfo& Run();

// The command that repeats the run's first `actions` actions.
std::string ReplayCommand(long actions);

// From here on, an end of the process during the run (the program's halt through exit(), a
// sanitizer's report) prints the action and the command that replays it.
void ReportEndsDuringRun();

// Silences what the offscreen platform says each time it cannot raise a window.
void QuietOffscreenMessages();

long ResidentKilobytes();

}  // namespace soak

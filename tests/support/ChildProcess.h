#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A program started by a test, with this process's environment changed by `environment`
// (an empty value removes a variable) and its standard output and error sent to `log` (or
// inherited). It is killed and reaped when this goes, if still running.
class TChildProcess {
 public:
  TChildProcess(const std::vector<std::string>& command,
                const std::map<std::string, std::string>& environment = {},
                const std::string& log = {});
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // Sends the signal and waits for the end; returns the exit status as waitpid gives it.
  int Stop(int signal);
  // Waits for the end by itself for up to `seconds`; nothing when it still runs.
  std::optional<int> Wait(double seconds);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a command to its end and gives its standard output; nothing when it failed.
std::optional<std::string> RunForOutput(const std::vector<std::string>& command,
                                        const std::map<std::string, std::string>& environment);

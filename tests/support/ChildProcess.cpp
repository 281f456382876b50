#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {
std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& changes) {
  std::map<std::string, std::string> all;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto eq = entry.find('=');
    if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value.empty())
      all.erase(name);
    else
      all[name] = value;
  }
  std::vector<std::string> merged;
  for (const auto& [name, value] : all) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Started with posix_spawn, never fork: a fork makes every page of this process
// copy-on-write, and a test's output thread then faults in the middle of a mix.
pid_t Spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int out) {
  std::vector<std::string> args = command;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDERR_FILENO);
  }
  // A group of its own, so that Stop reaches its children too; signals as a new program
  // gets them, whatever the calling thread blocks.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}
}  // namespace

TChildProcess::TChildProcess(const std::vector<std::string>& command,
                             const std::map<std::string, std::string>& environment,
                             const std::string& log) {
  const int out =
      log.empty() ? -1 : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  pid_ = Spawn(command, environment, out);
  if (out >= 0) close(out);
}

TChildProcess::~TChildProcess() {
  if (Running()) Stop(SIGKILL);
}

bool TChildProcess::Running() { return pid_ > 0 && !Wait(0).has_value(); }

int TChildProcess::Stop(int signal) {
  if (status_) return *status_;
  if (pid_ <= 0) return -1;
  kill(-pid_, signal);  // its whole group: stress-ng's workers go with it
  int status = 0;
  waitpid(pid_, &status, 0);
  status_ = status;
  return status;
}

std::optional<int> TChildProcess::Wait(double seconds) {
  if (status_ || pid_ <= 0) return status_;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = status;
      return status_;
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::optional<std::string> RunForOutput(const std::vector<std::string>& command,
                                        const std::map<std::string, std::string>& environment) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t pid = Spawn(command, environment, fds[1]);
  close(fds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
    output.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return output;
}

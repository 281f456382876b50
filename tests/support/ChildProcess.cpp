#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
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

// Everything the child needs is made before fork: after it only async-signal-safe calls.
pid_t Spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int out) {
  std::vector<std::string> args = command;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (pid > 0) setpgid(pid, pid);
  return pid;
}
}  // namespace

TChildProcess::TChildProcess(const std::vector<std::string>& command,
                             const std::map<std::string, std::string>& environment,
                             const std::string& log) {
  const int out = log.empty() ? -1 : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
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
  if (pipe(fds) != 0) return std::nullopt;
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

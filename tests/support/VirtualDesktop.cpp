#include "tests/support/VirtualDesktop.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

extern char** environ;

namespace {

std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

// Starts `arguments` with its output dropped and `extra` added to the environment; `close`
// is closed in the child.
pid_t Spawn(const std::vector<std::string>& arguments, int close = -1,
            const std::vector<std::string>& extra = {}) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : extra) envp.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (close >= 0) posix_spawn_file_actions_addclose(&actions, close);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed ? 0 : pid;
}

// Xvfb writes the number of the display it chose once it accepts clients.
std::string ReadDisplay(int fd) {
  std::string number;
  pollfd ready{fd, POLLIN, 0};
  char c = 0;
  while (poll(&ready, 1, 10000) == 1 && read(fd, &c, 1) == 1 && c != '\n') number += c;
  return number;
}

bool Succeeds(const std::vector<std::string>& arguments) {
  int status = 0;
  const pid_t pid = Spawn(arguments);
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace

TVirtualDesktop::TVirtualDesktop(int width, int height) {
  const std::string server = OnPath("Xvfb"), manager = OnPath("openbox"),
                    xdotool = OnPath("xdotool");
  for (const auto& [found, name] :
       {std::pair{server, "Xvfb (package xvfb)"}, std::pair{manager, "openbox (package openbox)"},
        std::pair{xdotool, "xdotool (package xdotool)"}})
    if (found.empty()) missing_ += (missing_.empty() ? "needs " : ", ") + std::string(name);
  if (!missing_.empty()) return;

  int pipe[2];
  if (::pipe(pipe) != 0) {
    missing_ = "no pipe to learn Xvfb's display";
    return;
  }
  server_ = Spawn({server, "-displayfd", std::to_string(pipe[1]), "-screen", "0",
                   std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                   "-noreset"},
                  pipe[0]);
  ::close(pipe[1]);
  const std::string display = server_ ? ReadDisplay(pipe[0]) : std::string();
  ::close(pipe[0]);
  if (display.empty()) {
    missing_ = "Xvfb did not start";
    return;
  }
  setenv("DISPLAY", (":" + display).c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SESSION_MANAGER");
  // No session bus belongs to this display: Qt must not reach the user's, nor start one.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  // openbox reads its stock configuration, never the user's own.
  unsetenv("XDG_CONFIG_DIRS");
  manager_ = Spawn({manager, "--sm-disable"}, -1, {"XDG_CONFIG_HOME=/nonexistent"});
  // Windows are made once openbox manages the screen, which it shows by naming the
  // current desktop.
  for (int i = 0; manager_ && i < 200; ++i) {
    if (Succeeds({xdotool, "get_desktop"})) return;
    usleep(50000);
  }
  missing_ = "openbox did not start";
}

TVirtualDesktop::~TVirtualDesktop() {
  Stop(manager_);
  Stop(server_);
}

#include "tests/support/PulseServer.h"

#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <thread>
#include <vector>

namespace {
void KeepRealtime(pid_t pid) {
  sched_param param{};
  param.sched_priority = 30;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
    sched_setscheduler(std::stoi(task.path().filename().string()), SCHED_FIFO, &param);
}

bool Found(const char* program) {
  const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}
}  // namespace

TPulseServer::TPulseServer(int rate) : rate_(rate) {
  std::string pattern = (std::filesystem::temp_directory_path() / "pomvik-pulse-XXXXXX");
  folder_ = mkdtemp(pattern.data());
  for (const char* program : {"pulseaudio", "pactl", "parec"})
    if (!Found(program)) missing_ = std::string(program) + " is not installed (pulseaudio-utils)";
  installed_ = missing_.empty();
  if (!installed_) return;
  std::filesystem::create_directories(folder_ / "run");
  chmod((folder_ / "run").c_str(), 0700);
  std::ofstream(folder_ / "default.pa")
      << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << folder_.string()
      << "/native\nload-module module-null-sink sink_name=out rate=" << rate
      << "\nset-default-sink out\n";
  std::ofstream(folder_ / "client.conf") << "autospawn=no\n";
  Start();
}

TPulseServer::~TPulseServer() {
  server_.reset();
  std::error_code e;
  std::filesystem::remove_all(folder_, e);
}

std::map<std::string, std::string> TPulseServer::ClientEnvironment() const {
  return {{"PULSE_SERVER", "unix:" + (folder_ / "native").string()},
          {"PULSE_CLIENTCONFIG", (folder_ / "client.conf").string()},
          {"PULSE_SINK", ""},
          {"PULSE_SOURCE", ""},
          {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"},
          {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}};
}

void TPulseServer::UseInThisProcess() const {
  for (const auto& [name, value] : ClientEnvironment()) {
    if (value.empty())
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
}

void TPulseServer::Kill() {
  if (server_) server_->Stop(SIGKILL);
  server_.reset();
}

bool TPulseServer::Start() {
  if (!installed_) return false;
  const std::string run = (folder_ / "run").string();
  const std::map<std::string, std::string> environment = {
      {"HOME", folder_.string()},
      {"XDG_RUNTIME_DIR", run},
      {"XDG_CONFIG_HOME", (folder_ / "config").string()},
      {"PULSE_RUNTIME_PATH", run},
      {"PULSE_STATE_PATH", (folder_ / "state").string()},
      {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"},
      {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}};
  const std::vector<std::string> daemon = {
      "pulseaudio",
      "-n",
      "-F",
      (folder_ / "default.pa").string(),
      "--use-pid-file=no",
      "--exit-idle-time=-1",
      "--daemonize=no",
      "--log-target=file:" + (folder_ / "server.log").string()};
  // Real-time as a desktop runs it; without the right to it, as a user runs it.
  for (const bool realtime : {true, false}) {
    std::vector<std::string> command = daemon;
    if (realtime) command.insert(command.begin(), {"chrt", "-f", "30"});
    server_ =
        std::make_unique<TChildProcess>(command, environment, (folder_ / "server.out").string());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server_->Running() && std::chrono::steady_clock::now() < end) {
      if (RunForOutput({"pactl", "info"}, ClientEnvironment())) {
        // PulseAudio puts its main thread back to an ordinary one (nice -11), and that
        // thread carries every client's data to the sink: under load it starves and the
        // sink underruns whatever the clients do. Every thread stays real-time here.
        if (realtime) KeepRealtime(server_->Pid());
        realtime_ = realtime;
        missing_.clear();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    server_.reset();
  }
  missing_ = "pulseaudio did not start; see " + (folder_ / "server.log").string();
  return false;
}

bool TPulseServer::OpenSocket(const std::filesystem::path& socket) const {
  return RunForOutput({"pactl", "load-module", "module-native-protocol-unix", "auth-anonymous=1",
                       "socket=" + socket.string()},
                      ClientEnvironment())
      .has_value();
}

std::optional<TPulseServer::TLatency> TPulseServer::StreamLatency() const {
  const auto listing = RunForOutput({"pactl", "list", "sink-inputs"}, ClientEnvironment());
  if (!listing) return std::nullopt;
  std::smatch buffer;
  std::smatch sink;
  if (!std::regex_search(*listing, buffer, std::regex(R"(Buffer Latency: (\d+) usec)")) ||
      !std::regex_search(*listing, sink, std::regex(R"(Sink Latency: (\d+) usec)")))
    return std::nullopt;
  return TLatency{std::stod(buffer[1]) / 1000, std::stod(sink[1]) / 1000};
}

namespace {
std::vector<std::string> RecorderCommand(const TPulseServer& server,
                                         const std::filesystem::path& file) {
  // The latency is asked for, or the null sink renders 2 s blocks while nothing else plays,
  // and a stream that joins is heard only after the block under way.
  std::vector<std::string> command = {"parec",
                                      "-d",
                                      "out.monitor",
                                      "--raw",
                                      "--format=float32le",
                                      "--rate=" + std::to_string(server.Rate()),
                                      "--channels=2",
                                      "--latency-msec=10",
                                      file.string()};
  if (server.Realtime()) command.insert(command.begin(), {"chrt", "-f", "20"});
  return command;
}
}  // namespace

TMonitorRecording::TMonitorRecording(const TPulseServer& server, const std::string& name)
    : file_(server.Folder() / (name + ".raw")),
      recorder_(RecorderCommand(server, file_), server.ClientEnvironment(),
                (server.Folder() / "parec.log").string()) {}

TMonitorRecording::~TMonitorRecording() { recorder_.Stop(SIGKILL); }

std::vector<float> TMonitorRecording::Finish() {
  recorder_.Stop(SIGINT);
  std::ifstream in(file_, std::ios::binary);
  std::vector<float> left;
  float frame[2] = {};
  while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) left.push_back(frame[0]);
  return left;
}

int64_t TMonitorRecording::Frames() const {
  std::error_code none;
  const auto bytes = std::filesystem::file_size(file_, none);
  return none ? 0 : static_cast<int64_t>(bytes / (2 * sizeof(float)));
}

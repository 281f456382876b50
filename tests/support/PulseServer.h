#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"

// A PulseAudio server of the test's own, from Debian's package: a null sink "out" at `rate`
// on a private socket, no session bus, at real-time priority under chrt as a desktop runs
// its sound server (all its threads). Its monitor "out.monitor" records what the sink plays.
class TPulseServer {
 public:
  explicit TPulseServer(int rate);
  ~TPulseServer();
  TPulseServer(const TPulseServer&) = delete;
  TPulseServer& operator=(const TPulseServer&) = delete;

  // Why the server does not run; empty when it answers.
  const std::string& Missing() const { return missing_; }
  // Whether it got real-time priority (chrt may be refused to a user without the right).
  bool Realtime() const { return realtime_; }
  pid_t Pid() const { return server_ ? server_->Pid() : -1; }
  int Rate() const { return rate_; }

  // What a client needs to reach this server and nothing else: no other server, never one
  // started on demand.
  std::map<std::string, std::string> ClientEnvironment() const;
  // Puts ClientEnvironment into this process, for the clients it makes itself.
  void UseInThisProcess() const;

  // Kills the server at once, as a crash does, and starts it again on the same socket.
  void Kill();
  bool Start();
  // Lets clients reach the running server at `socket` too, from now on: to those that look
  // there it is a server that has just appeared.
  bool OpenSocket(const std::filesystem::path& socket) const;

  // The playback streams' latency as the server reports it (pactl list sink-inputs), in
  // milliseconds, of the first stream; nothing when there is none.
  struct TLatency {
    double BufferMs;
    double SinkMs;
  };
  std::optional<TLatency> StreamLatency() const;

  const std::filesystem::path& Folder() const { return folder_; }

 private:
  int rate_;
  std::filesystem::path folder_;
  std::unique_ptr<TChildProcess> server_;
  std::string missing_;
  bool installed_ = false;
  bool realtime_ = false;
};

// Records the sink's monitor with parec, float stereo, to a file in the server's folder; at
// real-time priority too where allowed, so that a starved recorder leaves no holes.
class TMonitorRecording {
 public:
  TMonitorRecording(const TPulseServer& server, const std::string& name);
  ~TMonitorRecording();
  // Where parec writes its frames, and how many bytes each takes.
  const std::filesystem::path& File() const { return file_; }
  static constexpr int kFrameBytes = 8;
  // Ends the recording and reads its left channel.
  std::vector<float> Finish();
  // The frames recorded so far: the recording's present, less the recorder's latency.
  int64_t Frames() const;

 private:
  std::filesystem::path file_;
  TChildProcess recorder_;
};

#pragma once

// Runs the renderer as a user would, and reads back what it wrote. Header-only.

#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/sound_test_support.h"

extern char** environ;

namespace pomvik::test {

struct RenderRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string errors;
};

// pomvik-render with `arguments`, as a user with OpenAL settings of their own runs it.
// It runs in `scratch` as its current folder. A file size limit makes its writes fail part
// way, as on a full disk. `program` is the renderer built, or a copy of it elsewhere.
inline RenderRun RunRender(const std::vector<std::string>& arguments,
                           const std::filesystem::path& scratch,
                           rlim_t fileSizeLimit = RLIM_INFINITY,
                           const std::string& program = POMVIK_RENDER) {
  const std::filesystem::path errors = scratch / "stderr.txt";
  // A user's OpenAL settings that would change the mix and delay every note: the renderer
  // must not hear them.
  std::ofstream(scratch / "alsoft.conf")
      << "[general]\nvolume-adjust=-6\noutput-limiter=true\nresampler=point\n";
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("ALSOFT_", 0) != 0 && entry.rfind("XDG_CONFIG_", 0) != 0 &&
        entry.rfind("HOME=", 0) != 0)
      env.push_back(entry);
  }
  env.push_back("ALSOFT_CONF=" + (scratch / "alsoft.conf").string());
  env.push_back("XDG_CONFIG_HOME=" + scratch.string());
  env.push_back("XDG_CONFIG_DIRS=" + scratch.string());
  env.push_back("HOME=" + scratch.string());

  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  };
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, scratch.c_str());
  // The child inherits the limit, and the ignored signal that makes a write past it fail
  // instead of ending the process.
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = fileSizeLimit;
  setrlimit(RLIMIT_FSIZE, &limit);
  auto* handler = std::signal(SIGXFSZ, SIG_IGN);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  std::signal(SIGXFSZ, handler);
  setrlimit(RLIMIT_FSIZE, &previous);
  RenderRun run;
  if (spawned == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  std::ostringstream text;
  text << std::ifstream(errors).rdbuf();
  run.errors = text.str();
  return run;
}

struct DecodedAudio {
  int rate = 0;
  int channels = 0;
  std::vector<double> left;
};

// Any format libsndfile reads; the left channel only.
inline DecodedAudio ReadAudio(const std::filesystem::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  DecodedAudio audio;
  if (file == nullptr) return audio;
  audio.rate = info.samplerate;
  audio.channels = info.channels;
  std::vector<double> block(4096 * static_cast<std::size_t>(info.channels));
  for (;;) {
    const sf_count_t frames = sf_readf_double(file, block.data(), 4096);
    if (frames <= 0) break;
    for (sf_count_t i = 0; i < frames; ++i)
      audio.left.push_back(block[static_cast<std::size_t>(i * info.channels)]);
  }
  sf_close(file);
  return audio;
}

// Frames where sound starts after at least `quiet` frames below `threshold`.
inline std::vector<std::size_t> Onsets(const std::vector<double>& x, double threshold,
                                       std::size_t quiet) {
  std::vector<std::size_t> onsets;
  std::size_t silentRun = quiet;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (std::abs(x[i]) < threshold) {
      ++silentRun;
      continue;
    }
    if (silentRun >= quiet) onsets.push_back(i);
    silentRun = 0;
  }
  return onsets;
}

inline std::string SlurpBytes(const std::filesystem::path& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

}  // namespace pomvik::test

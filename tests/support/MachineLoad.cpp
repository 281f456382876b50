#include "tests/support/MachineLoad.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/vfs.h>

#include <vector>

namespace {
constexpr long kTmpfsMagic = 0x01021994;

// A folder of the test's own in memory (tmpfs), or beside the test's others when there is none.
std::filesystem::path FilesFolder(const std::filesystem::path& fallback) {
  struct statfs about {};
  const bool inMemory = statfs("/dev/shm", &about) == 0 && about.f_type == kTmpfsMagic;
  std::string pattern =
      ((inMemory ? std::filesystem::path("/dev/shm") : fallback) / "pomvik-load-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return fallback;
  return pattern;
}

std::vector<std::string> LoadCommand(const std::filesystem::path& files, int seconds) {
  return {"stress-ng",
          "--cpu",
          "8",
          "--vm",
          "2",
          "--vm-bytes",
          "1G",
          "--hdd",
          "1",
          "--temp-path",
          files.string(),
          "--timeout",
          std::to_string(seconds) + "s"};
}
}  // namespace

TMachineLoad::TMachineLoad(const std::filesystem::path& folder, int seconds)
    : files_(FilesFolder(folder)),
      load_(LoadCommand(files_, seconds), {}, (folder / "stress.log").string()) {}

TMachineLoad::~TMachineLoad() { Stop(); }

void TMachineLoad::Stop() {
  if (load_.Running()) load_.Stop(SIGINT);
  std::error_code e;
  if (files_.filename().string().rfind("pomvik-load-", 0) == 0)
    std::filesystem::remove_all(files_, e);
}

// The sound component's suites: each test gets a debug file folder of its own and a count
// of lines as at program start; a component test mixes on the offline device.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"

namespace soundtest {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline int OpenFileCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count;
}

class DdsdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ddsd::SetDebugFileFolderForTesting(dir_.path());
    ddsd::SetMessageCounterForTesting(0);
  }
  void TearDown() override { ddsd::SetDebugFileFolderForTesting({}); }
  std::string DebugFile() const { return ReadText(dir_.path() / "ddsd.debug"); }
  bool DebugFileExists() const { return std::filesystem::exists(dir_.path() / "ddsd.debug"); }

  TempDir dir_;
};

class DdsdComponentTest : public DdsdTest {
 protected:
  static constexpr int32_t kMixRate = 44100;
  std::string Wav(const std::string& name, const std::vector<uint8_t>& bytes) {
    return dir_.Write(name, bytes);
  }
  // A component on the offline device, opened with `option`.
  static void Open(TDDSD& component, TDDSDDebugOption option) {
    component.setOfflineMixRate(kMixRate);
    component.setDebugOption(option);
    component.Loaded();
  }
};

}  // namespace soundtest

#include "core/SampleFolder.h"

#include <system_error>

#include "core/SampleBank.h"

namespace {

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : exe.parent_path();
}

bool HoldsASample(const std::filesystem::path& folder) {
  for (int n = 1; n <= WaveBankSize; ++n) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / WaveFileName(n).filename(), error)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::filesystem::path> SampleFolderCandidates() {
  const std::filesystem::path own = WaveFileName(1).parent_path();
  std::vector<std::filesystem::path> folders{own};
  if (const std::filesystem::path beside = ExecutableFolder(); !beside.empty()) {
    folders.push_back(beside / own);
    folders.push_back((beside / POMVIK_DATA_FROM_BIN / own).lexically_normal());
  }
  return folders;
}

std::filesystem::path FindSampleFolder(const std::vector<std::filesystem::path>& candidates) {
  for (const std::filesystem::path& folder : candidates)
    if (HoldsASample(folder)) return folder;
  return {};
}

std::filesystem::path FindSampleFolder() { return FindSampleFolder(SampleFolderCandidates()); }

std::filesystem::path ChosenSampleFolder() {
  const std::filesystem::path found = FindSampleFolder();
  return found.empty() ? WaveFileName(1).parent_path() : found;
}

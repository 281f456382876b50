#include "tools/render/WaveFolder.h"

namespace {

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::vector<std::filesystem::path> WaveFolderCandidates() {
  std::vector<std::filesystem::path> folders{"waves"};
  const std::filesystem::path beside = ExecutableFolder();
  if (!beside.empty()) folders.push_back(beside / "waves");
  folders.push_back(std::filesystem::path(POMVIK_DATA_DIR) / "waves");
  return folders;
}

std::filesystem::path FindWaveFolder() {
  for (const std::filesystem::path& folder : WaveFolderCandidates()) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return folder;
  }
  return {};
}

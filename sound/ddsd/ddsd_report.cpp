#include "sound/ddsd/ddsd_report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace {

// The unit-wide flags, shared by every component of the unit.
TDDSDDebugOption g_unitFlags;
int32_t g_messageCounter = 0;
std::filesystem::path g_folderOverride;

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

void WriteDebugLine(const std::string& text) {
  std::filesystem::path path = ddsd::DebugFilePath();
  // The first report of a run starts the file afresh.
  std::FILE* file = std::fopen(path.c_str(), g_messageCounter == 0 ? "wb" : "ab");
  if (file == nullptr) throw std::system_error(errno, std::generic_category(), path.string());
  ++g_messageCounter;
  std::string line = "debug#";
  char number[16];
  std::snprintf(number, sizeof number, "%.5d", g_messageCounter);
  line += number;
  line += " ... ";
  line += text;
  line += "\r\n";
  bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  int closed = std::fclose(file);
  if (!written || closed != 0) throw std::system_error(EIO, std::generic_category(), path.string());
}

}  // namespace

void ReportError(const std::string& Text) {
  if (g_unitFlags.testFlag(dsoDebugMessage)) WriteDebugLine(Text);
  if (g_unitFlags.testFlag(dsoExceptOnError)) throw EDDSD(Text);
}

void HaltIfAsked() {
  if (g_unitFlags.testFlag(dsoHaltOnError)) std::exit(kDDSDHaltStatus);
}

int32_t CheckResult(int32_t Code, const std::string& Text) {
  if (Code == 0) return 0;
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, "(Error Code(%X))", static_cast<uint32_t>(Code));
  ReportError(Text + suffix);
  HaltIfAsked();
  return Code;
}

namespace ddsd {

void SetUnitFlags(TDDSDDebugOption option) { g_unitFlags = option; }

int32_t MessageCounter() { return g_messageCounter; }

std::filesystem::path DebugFilePath() {
  return (g_folderOverride.empty() ? ExecutableFolder() : g_folderOverride) / "ddsd.debug";
}

void SetDebugFileFolderForTesting(const std::filesystem::path& folder) {
  g_folderOverride = folder;
}

void SetMessageCounterForTesting(int32_t value) { g_messageCounter = value; }

}  // namespace ddsd

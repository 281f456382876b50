#include "sound/ddsd_report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace {

bool g_halt = false;
bool g_debugMessage = false;
bool g_raise = false;
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
  if (g_debugMessage) WriteDebugLine(Text);
  if (g_raise) throw EDDSD(Text);
}

void HaltIfAsked() {
  if (g_halt) std::exit(kDDSDHaltStatus);
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

void SetUnitFlags(TDDSDDebugOption option) {
  g_halt = option.testFlag(dsoHaltOnError);
  g_debugMessage = option.testFlag(dsoDebugMessage);
  g_raise = option.testFlag(dsoExceptOnError);
}

TDDSDDebugOption UnitFlags() {
  TDDSDDebugOption option;
  option.setFlag(dsoHaltOnError, g_halt);
  option.setFlag(dsoDebugMessage, g_debugMessage);
  option.setFlag(dsoExceptOnError, g_raise);
  return option;
}

int32_t MessageCounter() { return g_messageCounter; }

std::filesystem::path DebugFilePath() {
  return (g_folderOverride.empty() ? ExecutableFolder() : g_folderOverride) / "ddsd.debug";
}

void SetDebugFileFolderForTesting(const std::filesystem::path& folder) {
  g_folderOverride = folder;
}

void SetMessageCounterForTesting(int32_t value) { g_messageCounter = value; }

}  // namespace ddsd

#include "sound/ddsd/ddsd_report.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>

#include "sound/dsound/dsound.h"

namespace {

// One debug file for the whole program, whichever component writes to it.
std::mutex g_fileMutex;
int32_t g_messageCounter = 0;
std::filesystem::path g_folderOverride;

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

void WriteDebugLine(std::string_view text) {
  const std::lock_guard<std::mutex> hold(g_fileMutex);
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

TDDSDReport::TDDSDReport()
    : option_(dsoHaltOnError), signal_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TDDSDReport::~TDDSDReport() {
  if (signal_ >= 0) close(signal_);
}

TDDSDDebugOption TDDSDReport::Option() const {
  return TDDSDDebugOption::fromInt(option_.load(std::memory_order_relaxed));
}

void TDDSDReport::setOption(TDDSDDebugOption option) {
  option_.store(static_cast<uint8_t>(option.toInt()), std::memory_order_relaxed);
}

void TDDSDReport::ReportError(std::string_view Text) {
  if (dsound::InLivePull()) {
    Defer(TKind::Error, 0, Text);
    return;
  }
  Report(TKind::Error, 0, Text);
}

int32_t TDDSDReport::CheckResult(int32_t Code, std::string_view Text) {
  if (Code == 0) return 0;
  if (dsound::InLivePull())
    Defer(TKind::Result, Code, Text);
  else
    Report(TKind::Result, Code, Text);
  return Code;
}

void TDDSDReport::ReportAndHalt(std::string_view Text) {
  if (dsound::InLivePull()) {
    Defer(TKind::Halting, 0, Text);
    return;
  }
  Report(TKind::Halting, 0, Text);
}

void TDDSDReport::Report(TKind kind, int32_t code, std::string_view text) {
  const TDDSDDebugOption option = Option();
  std::string joined(text);
  if (kind == TKind::Result) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, "(Error Code(%X))", static_cast<uint32_t>(code));
    joined += suffix;
  }
  if (option.testFlag(dsoDebugMessage)) WriteDebugLine(joined);
  if (option.testFlag(dsoExceptOnError)) throw EDDSD(joined);
  if (kind != TKind::Error && option.testFlag(dsoHaltOnError)) {
    // Halt without the libraries' exit handlers: the output thread may still be mixing, and
    // OpenAL's cleanup would pull its device from under it (an abort, not the halt's status).
    std::fflush(nullptr);
    std::_Exit(kDDSDHaltStatus);
  }
}

bool TDDSDReport::Defer(TKind kind, int32_t code, std::string_view text) {
  // Only the thread holding the device's lock records, so one writer at a time.
  const std::size_t written = written_.load(std::memory_order_relaxed);
  if (written - read_.load(std::memory_order_acquire) >= kDeferred) return false;
  TDeferred& slot = deferred_[written % kDeferred];
  slot.Kind = kind;
  slot.Code = code;
  const std::size_t length = std::min(text.size(), slot.Text.size() - 1);
  std::memcpy(slot.Text.data(), text.data(), length);
  slot.Text[length] = '\0';
  written_.store(written + 1, std::memory_order_release);
  if (signal_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t told = write(signal_, &one, sizeof one);
  }
  return true;
}

void TDDSDReport::ReportDeferred() {
  if (signal_ >= 0) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = read(signal_, &count, sizeof count);
  }
  while (read_.load(std::memory_order_relaxed) != written_.load(std::memory_order_acquire)) {
    const std::size_t at = read_.load(std::memory_order_relaxed);
    const TDeferred slot = deferred_[at % kDeferred];
    read_.store(at + 1, std::memory_order_release);
    try {
      Report(slot.Kind, slot.Code, slot.Text.data());
    } catch (...) {
      // The rest wait for the next call; the signal says so.
      if (signal_ >= 0 && read_.load() != written_.load()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t told = write(signal_, &one, sizeof one);
      }
      throw;
    }
  }
}

namespace ddsd {

int32_t MessageCounter() {
  const std::lock_guard<std::mutex> hold(g_fileMutex);
  return g_messageCounter;
}

std::filesystem::path DebugFilePath() {
  return (g_folderOverride.empty() ? ExecutableFolder() : g_folderOverride) / "ddsd.debug";
}

void SetDebugFileFolderForTesting(const std::filesystem::path& folder) {
  g_folderOverride = folder;
}

void SetMessageCounterForTesting(int32_t value) {
  const std::lock_guard<std::mutex> hold(g_fileMutex);
  g_messageCounter = value;
}

}  // namespace ddsd

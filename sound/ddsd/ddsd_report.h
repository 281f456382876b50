// Error reporting for the sound component: the debug flags, the numbered "ddsd.debug" file
// beside the executable, EDDSD, and TDDSDReport, through which each component reports as its
// own DebugOption says. The option belongs to one component: an export's offline device
// never changes how the live output handles a fault.
#pragma once

#include <QFlags>
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>

enum TDDSDDebugFlag : uint8_t {
  dsoHaltOnError = 1,
  dsoDebugMessage = 2,
  dsoExceptOnError = 4,
};
Q_DECLARE_FLAGS(TDDSDDebugOption, TDDSDDebugFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDDSDDebugOption)

class EDDSD : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The exit status of a halt: a failure, so that a halted run is never taken for a good one.
constexpr int kDDSDHaltStatus = 3;

// Reports one component's failures: a numbered line in the debug file, EDDSD raised, the
// program halted, as the option says.
//
// A failure met inside a live device's pull, on its output's thread, is only recorded there:
// a pull must not write files, raise or end the program. The thread that owns the component
// reports it later with ReportDeferred, as if it had happened there; the component's owner
// watches Signal() to do so at once.
class TDDSDReport {
 public:
  TDDSDReport();
  ~TDDSDReport();
  TDDSDReport(const TDDSDReport&) = delete;
  TDDSDReport& operator=(const TDDSDReport&) = delete;

  // Read on the output's thread while the window may set it.
  TDDSDDebugOption Option() const;
  void setOption(TDDSDDebugOption option);

  // Writes the debug line and raises EDDSD, as the option says; never ends the program. A
  // debug file that cannot be written raises std::system_error.
  void ReportError(std::string_view Text);
  // 0 passes; any other code is reported with "(Error Code(<hex>))" appended and may halt.
  int32_t CheckResult(int32_t Code, std::string_view Text);
  // ReportError, then the end of the program when the halt flag is set.
  void ReportAndHalt(std::string_view Text);

  // Reports the failures recorded on an output's thread, oldest first. One that raises
  // leaves the rest for the next call; a halt ends the program at the first that asks it.
  void ReportDeferred();
  // Readable (an eventfd) while failures wait for ReportDeferred; -1 where none could be made.
  int Signal() const { return signal_; }

 private:
  enum class TKind : uint8_t { Error, Result, Halting };
  // One failure, copied whole: recording it allocates nothing.
  struct TDeferred {
    TKind Kind = TKind::Error;
    int32_t Code = 0;
    std::array<char, 240> Text{};
  };
  static constexpr std::size_t kDeferred = 16;  // past that, later ones are dropped

  bool Defer(TKind kind, int32_t code, std::string_view text);
  void Report(TKind kind, int32_t code, std::string_view text);

  std::atomic<uint8_t> option_;
  // A ring that the output's thread fills and the owner's empties.
  std::array<TDeferred, kDeferred> deferred_;
  std::atomic<std::size_t> written_{0};
  std::atomic<std::size_t> read_{0};
  int signal_ = -1;
};

namespace ddsd {
// Lines written to the debug file so far in this run, by every component.
int32_t MessageCounter();
// The debug file: "ddsd.debug" in the folder of the executable.
std::filesystem::path DebugFilePath();
// For tests: put the debug file elsewhere (empty path: back beside the executable) and
// set the count of lines written (0: as at program start).
void SetDebugFileFolderForTesting(const std::filesystem::path& folder);
void SetMessageCounterForTesting(int32_t value);
}  // namespace ddsd

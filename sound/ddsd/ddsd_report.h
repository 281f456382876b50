// Error reporting shared by the whole sound component: the debug flags, the numbered
// "ddsd.debug" file beside the executable, EDDSD, ReportError and CheckResult.
#pragma once

#include <QFlags>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

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

// Writes a numbered line to the debug file and raises EDDSD, as the unit-wide flags say.
// A debug file that cannot be written raises std::system_error.
void ReportError(const std::string& Text);
// 0 passes; any other code is reported with "(Error Code(<hex>))" appended and may halt.
int32_t CheckResult(int32_t Code, const std::string& Text);
// Ends the program when the halt flag is set.
void HaltIfAsked();

namespace ddsd {
// The unit-wide flags, set by TDDSD::setDebugOption of the component set last.
void SetUnitFlags(TDDSDDebugOption option);
// Lines written to the debug file so far in this run.
int32_t MessageCounter();
// The debug file: "ddsd.debug" in the folder of the executable.
std::filesystem::path DebugFilePath();
// For tests: put the debug file elsewhere (empty path: back beside the executable) and
// set the count of lines written (0: as at program start).
void SetDebugFileFolderForTesting(const std::filesystem::path& folder);
void SetMessageCounterForTesting(int32_t value);
}  // namespace ddsd

#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/RecoverySlot.h"

// Keeps this instance's recovery copy on a thread of its own, so that the disk's pace never
// reaches editing or playback. Keep() and Drop() only say what the copy should be and
// return at once; the thread waits `settle` after the first of a run of changes, then
// writes the latest, so a burst of edits costs one write.
class TRecoveryWriter {
 public:
  // A write that failed for a reason not yet told since the last good write.
  struct TProblem {
    std::string Line;    // "cannot keep a recovery copy: <the file>: <the reason>"
    std::string Reason;  // the system's reason alone
    bool First = false;  // the first failure since the copy was last written (or ever)
  };
  using TReport = std::function<void(const TProblem& problem)>;
  static constexpr std::chrono::milliseconds DefaultSettle{500};

  // `slot`, when given, is a copy this instance took over (a restored one); otherwise a slot
  // is made in `folder` at the first write. `report` hears each reason for failing once, on
  // the writer's thread, and again only after a write has succeeded; by default its line
  // goes to the standard error.
  explicit TRecoveryWriter(std::filesystem::path folder,
                           std::optional<TRecoverySlot> slot = std::nullopt,
                           std::chrono::milliseconds settle = DefaultSettle,
                           TReport report = nullptr);
  // A normal end leaves no copy behind.
  ~TRecoveryWriter();
  TRecoveryWriter(const TRecoveryWriter&) = delete;
  TRecoveryWriter& operator=(const TRecoveryWriter&) = delete;

  // The copy should hold `text`.
  void Keep(std::string text);
  // There should be no copy.
  void Drop();
  // Waits until what was asked so far is on the disk.
  void Flush();

  // Where the copy is, once there is one; and how many times it has been written.
  std::filesystem::path CopyPath() const;
  int64_t Writes() const;

 private:
  void Run();
  // Makes the copy what is wanted; true when it wrote one.
  bool Apply(const std::optional<std::string>& wanted);
  void Report(const std::string& problem, const std::string& reason);

  const std::filesystem::path folder_;
  const std::chrono::milliseconds settle_;
  const TReport report_;
  std::optional<TRecoverySlot> slot_;  // the thread's alone once it runs
  std::string lastReason_;             // the thread's alone, as is
  bool failing_ = false;               // whether the last write failed

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::string> wanted_;  // the copy's text; none for no copy
  int64_t asked_ = 0, done_ = 0, writes_ = 0;
  int flushing_ = 0;  // callers waiting in Flush
  std::filesystem::path copyPath_;
  bool stopping_ = false;
  std::thread thread_;  // last, so that it starts once the rest is in place
};

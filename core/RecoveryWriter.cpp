#include "core/RecoveryWriter.h"

#include <cstdio>
#include <exception>
#include <utility>

TRecoveryWriter::TRecoveryWriter(std::filesystem::path folder, std::optional<TRecoverySlot> slot,
                                 std::chrono::milliseconds settle, TReport report)
    : folder_(std::move(folder)),
      settle_(settle),
      report_(report ? std::move(report)
                     : [](const TProblem& problem) {
                         std::fprintf(stderr, "PomvikSequencer: %s\n", problem.Line.c_str());
                       }),
      slot_(std::move(slot)),
      copyPath_(slot_ ? slot_->CopyPath() : std::filesystem::path()),
      thread_(&TRecoveryWriter::Run, this) {}

TRecoveryWriter::~TRecoveryWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TRecoveryWriter::Keep(std::string text) {
  {
    const std::lock_guard lock(mutex_);
    wanted_ = std::move(text);
    ++asked_;
  }
  changed_.notify_all();
}

void TRecoveryWriter::Drop() {
  {
    const std::lock_guard lock(mutex_);
    wanted_.reset();
    ++asked_;
  }
  changed_.notify_all();
}

void TRecoveryWriter::Flush() {
  std::unique_lock lock(mutex_);
  ++flushing_;
  changed_.notify_all();
  changed_.wait(lock, [this] { return done_ == asked_; });
  --flushing_;
}

std::filesystem::path TRecoveryWriter::CopyPath() const {
  const std::lock_guard lock(mutex_);
  return copyPath_;
}

int64_t TRecoveryWriter::Writes() const {
  const std::lock_guard lock(mutex_);
  return writes_;
}

void TRecoveryWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || asked_ != done_; });
    if (stopping_) break;
    // Let a run of changes settle; a flush or the end cuts the wait short.
    changed_.wait_for(lock, settle_, [this] { return stopping_ || flushing_ > 0; });
    if (stopping_) break;
    const int64_t asked = asked_;
    const std::optional<std::string> wanted = wanted_;
    lock.unlock();
    const bool wrote = Apply(wanted);
    const std::filesystem::path copy = slot_ ? slot_->CopyPath() : std::filesystem::path();
    lock.lock();
    done_ = asked;
    writes_ += wrote ? 1 : 0;
    copyPath_ = copy;
    changed_.notify_all();
  }
  lock.unlock();
  if (slot_) slot_->Remove();
}

bool TRecoveryWriter::Apply(const std::optional<std::string>& wanted) {
  try {
    if (!wanted) {
      if (slot_) slot_->RemoveCopy();
      return false;
    }
    if (!slot_) slot_ = TRecoverySlot::Create(folder_);
    try {
      slot_->Write(*wanted);
    } catch (const ERecoveryError&) {
      // Someone removed the folder under us: start again in a new one.
      if (std::filesystem::exists(folder_)) throw;
      slot_.reset();
      slot_ = TRecoverySlot::Create(folder_);
      slot_->Write(*wanted);
    }
    lastReason_.clear();
    failing_ = false;
    return true;
  } catch (const ERecoveryError& e) {
    Report(e.what(), e.Reason());
  } catch (const std::exception& e) {
    Report(e.what(), e.what());
  }
  return false;
}

// A failure that lasts is said once, not at every change. Its message names a file whose
// name is new at every try, so the reason alone tells whether it was said.
void TRecoveryWriter::Report(const std::string& problem, const std::string& reason) {
  if (failing_ && reason == lastReason_) return;
  const bool first = !failing_;
  failing_ = true;
  lastReason_ = reason;
  report_({"cannot keep a recovery copy: " + problem, reason, first});
}

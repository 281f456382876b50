#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A recovery copy or its folder that could not be made, written or removed; the message
// names the file and the system's reason, and Reason() is that reason alone.
class ERecoveryError : public std::runtime_error {
 public:
  ERecoveryError(const std::string& message, std::string reason)
      : std::runtime_error(message), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// One recovery copy, "<id>.psq" in the recovery folder, and the proof of who owns it: its
// owner holds an exclusive lock on "<id>.lock" for as long as it runs. The kernel drops the
// lock when the owner ends however it ends, so a copy whose lock can be taken was left
// behind by a crash or a kill. A lock file is only ever removed by whoever holds its lock,
// and a lock counts only while its file is still in place.
class TRecoverySlot {
 public:
  // $XDG_STATE_HOME/pomviksequencer, or ~/.local/state/pomviksequencer when XDG_STATE_HOME
  // is unset or not an absolute path; empty when no home folder is known either.
  static std::filesystem::path Folder();

  // A new slot of this instance in `folder`, locked; the folder is made (0700, with any
  // missing parents) if need be. Throws ERecoveryError.
  static TRecoverySlot Create(const std::filesystem::path& folder);

  // Every copy in `folder` that no running instance owns, newest first, each locked by this
  // instance until its slot goes. Lock files left without a copy are tidied away. A missing
  // folder holds none; an unreadable one throws ERecoveryError.
  static std::vector<TRecoverySlot> ClaimOrphans(const std::filesystem::path& folder);

  TRecoverySlot(TRecoverySlot&& other) noexcept;
  TRecoverySlot& operator=(TRecoverySlot&& other) noexcept;
  TRecoverySlot(const TRecoverySlot&) = delete;
  TRecoverySlot& operator=(const TRecoverySlot&) = delete;
  // Gives up the lock and leaves the files: the copy stays for a later start.
  ~TRecoverySlot();

  std::filesystem::path CopyPath() const;

  // Replaces the copy with `text` so that it is whole at every moment: written to a
  // temporary file, flushed to the disk, renamed over the copy. Throws ERecoveryError.
  void Write(std::string_view text);
  // The copy's bytes, at most a song file's size. Throws EFOpenError.
  std::string Read() const;
  // Removes the copy; the slot stays this instance's.
  void RemoveCopy();
  // Removes the copy and the lock file, and gives up the slot.
  void Remove();
  // Renames the copy to "<id>.psq.damaged", where no start looks for copies, removes the
  // lock file and gives up the slot; says where the copy went. Throws ERecoveryError.
  std::filesystem::path SetAside();

 private:
  TRecoverySlot(std::filesystem::path folder, std::string id, int lock);
  std::filesystem::path PathOf(std::string_view suffix) const;
  void Release();

  std::filesystem::path folder_;
  std::string id_;
  int lock_ = -1;  // the open lock file, locked while this slot holds it
};

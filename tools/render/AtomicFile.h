// An output file that appears whole or not at all: it is written to a temporary file in the
// target's folder and renamed over the target on Commit. Until then the target is untouched;
// a failure, an exception or an interrupt removes the temporary file. A target that is a
// symbolic link stays one: the file it leads to is replaced. A file replaced keeps its
// permissions (and its owner, where the system lets us). A FIFO or a character device is
// never replaced: the output is written straight into it, as a stream.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

class TAtomicFile {
 public:
  // Whether `target` is a FIFO or a character device, which take the output as a stream.
  static bool IsStream(const std::filesystem::path& target);

  // Creates the temporary file (or opens the stream, which may wait for a FIFO's reader);
  // ERenderError when the folder cannot take it.
  explicit TAtomicFile(std::filesystem::path target);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  int Descriptor() const { return fd_; }
  // Written into a FIFO or a device as it goes: no going back, nothing to rename.
  bool Streaming() const { return streaming_; }
  const std::filesystem::path& Target() const { return target_; }
  void Write(const std::vector<uint8_t>& bytes);
  // The same without throwing, for writers called back from C: 0 or the errno.
  int WriteAll(const void* data, std::size_t size) noexcept;
  // Flushes the file to disk and renames it over the target.
  void Commit();

 private:
  [[noreturn]] void Fail(const char* what, int error) const;
  void KeepOwnerAndMode();
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path replaced_;  // target_ with its links followed
  std::filesystem::path temporary_;
  int fd_ = -1;
  bool streaming_ = false;
};

#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// A song file that could not be read or written. The message is the one users see; the
// detail names the file and the system's reason, for the standard error.
class ESongFileError : public std::runtime_error {
 public:
  ESongFileError(const std::string& message, std::string detail)
      : std::runtime_error(message), detail_(std::move(detail)) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// A song file that could not be read.
class EFOpenError : public ESongFileError {
 public:
  using ESongFileError::ESongFileError;
};

// A song file that could not be written.
class EFCreateError : public ESongFileError {
 public:
  using ESongFileError::ESongFileError;
};

// A song is a few hundred bytes; anything past this is not one, and is not read into memory.
inline constexpr std::size_t MaxSongFileBytes = std::size_t{1} << 20;

// The whole content of a regular file of at most MaxSongFileBytes. Throws EFOpenError with
// "ファイル <name> は開けません" for what cannot be opened or read (a folder, a device, a
// missing file) and "ファイル <name> は大きすぎます" for a larger file.
std::string ReadSongFile(const std::filesystem::path& path);

// Replaces the file `path` names (the one a link leads to) with `bytes` so that it is whole
// at every moment: written to a temporary file beside it, flushed to the disk and renamed
// over it; a file replaced keeps its permissions. Returns 0, or the errno of the step that
// failed; the old file is then untouched and nothing is left behind.
int WriteSongFile(const std::filesystem::path& path, std::string_view bytes);

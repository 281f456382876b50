#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

// A song file that could not be read; the message names the file.
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A song file that could not be written; the message names the file.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A song is a few hundred bytes; anything past this is not one, and is not read into memory.
inline constexpr std::size_t MaxSongFileBytes = std::size_t{1} << 20;

// The whole content of a regular file of at most MaxSongFileBytes. Throws EFOpenError with
// "ファイル <name> は開けません" for what cannot be opened or read (a folder, a device, a
// missing file) and "ファイル <name> は大きすぎます" for a larger file.
std::string ReadSongFile(const std::filesystem::path& path);

#include "core/SongFile.h"

#include <fstream>
#include <system_error>

namespace {
std::string Message(const std::filesystem::path& path, const char* what) {
  return "ファイル " + path.string() + what;
}
}  // namespace

std::string ReadSongFile(const std::filesystem::path& path) {
  // Only a regular file: opening a fifo would wait for a writer, a device might never end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    throw EFOpenError(Message(path, " は開けません"));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError(Message(path, " は開けません"));
  std::string bytes;
  char chunk[16384];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > MaxSongFileBytes) throw EFOpenError(Message(path, " は大きすぎます"));
  }
  if (in.bad()) throw EFOpenError(Message(path, " は開けません"));
  return bytes;
}

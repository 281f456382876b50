#include "core/SongFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace {
[[noreturn]] void Fail(const std::filesystem::path& path, const char* what,
                       const std::string& cause) {
  throw EFOpenError("ファイル " + path.string() + what,
                    "cannot read " + path.string() + ": " + cause);
}

struct TCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
}  // namespace

std::string ReadSongFile(const std::filesystem::path& path) {
  // Only a regular file: opening a fifo would wait for a writer, a device might never end.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) Fail(path, " は開けません", error.message());
  if (!std::filesystem::is_regular_file(status)) Fail(path, " は開けません", "not a regular file");
  const std::unique_ptr<std::FILE, TCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) Fail(path, " は開けません", std::strerror(errno));
  std::string bytes;
  char chunk[16384];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    bytes.append(chunk, n);
    if (bytes.size() > MaxSongFileBytes)
      Fail(path, " は大きすぎます", "larger than a song can be (1 MiB)");
  }
  if (std::ferror(file.get())) Fail(path, " は開けません", std::strerror(errno));
  return bytes;
}

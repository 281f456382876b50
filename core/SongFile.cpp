#include "core/SongFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {
// Where a name leads once its links are followed, whether or not that file exists yet.
std::filesystem::path LinkTarget(std::filesystem::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) break;
    const std::filesystem::path to = std::filesystem::read_symlink(path, error);
    if (error) break;
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return path;
}
}  // namespace

int WriteSongFile(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path target = LinkTarget(path);
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  std::filesystem::path temporary;
  int fd = -1;
  // A short name of our own, so that it fits wherever the target's name does.
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary =
        folder / (".pomvik-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp");
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  int error = 0;
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0 && fchmod(fd, existing.st_mode & 07777) != 0)
    error = errno;
  for (std::size_t done = 0; error == 0 && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR)
      error = errno;
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

#include "tools/render/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>

#include "tools/render/RenderError.h"

namespace {

// An interrupt must not leave the temporary file behind: the handler may only use what
// is safe in a signal, so the path waits in a plain buffer. Each signal's disposition is
// put back as it was found: one that was ignored (nohup) stays ignored and is never caught,
// and a handler of the program's own hears the signal after the file is gone.
char g_pendingPath[4096];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_found[3];
bool g_caught[3];
bool g_installed = false;

void RemovePendingAndResignal(int signal) {
  if (g_pendingPath[0] != '\0') unlink(g_pendingPath);
  g_pendingPath[0] = '\0';
  for (int k = 0; k < 3; ++k)
    if (kCleanedSignals[k] == signal) sigaction(signal, &g_found[k], nullptr);
  raise(signal);
}

void SetPending(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (text.size() >= sizeof g_pendingPath) return;
  std::memcpy(g_pendingPath, text.c_str(), text.size() + 1);
  for (int k = 0; k < 3; ++k) {
    struct sigaction caught {};
    caught.sa_handler = RemovePendingAndResignal;
    sigemptyset(&caught.sa_mask);
    caught.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(kCleanedSignals[k], nullptr, &g_found[k]);
    g_caught[k] = g_found[k].sa_handler != SIG_IGN;
    if (g_caught[k]) sigaction(kCleanedSignals[k], &caught, nullptr);
  }
  g_installed = true;
}

void ClearPending() {
  if (g_installed)
    for (int k = 0; k < 3; ++k)
      if (g_caught[k]) sigaction(kCleanedSignals[k], &g_found[k], nullptr);
  g_installed = false;
  g_pendingPath[0] = '\0';
}

// The file that `path` names once every symbolic link on the way is followed, whether or
// not it exists yet; empty for a loop of links.
std::filesystem::path FollowLinks(std::filesystem::path path) {
  constexpr int kMostLinks = 40;  // as the kernel's own limit
  for (int hops = 0; hops <= kMostLinks; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return path;
    const std::filesystem::path to = std::filesystem::read_symlink(path, error);
    if (error) return path;
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return {};
}

}  // namespace

bool TAtomicFile::IsStream(const std::filesystem::path& target) {
  struct stat existing {};
  return stat(target.c_str(), &existing) == 0 &&
         (S_ISFIFO(existing.st_mode) || S_ISCHR(existing.st_mode));
}

TAtomicFile::TAtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  // A link stays a link: the file it leads to is the one replaced.
  replaced_ = FollowLinks(target_);
  if (replaced_.empty()) Fail("cannot be written", ELOOP);
  struct stat existing {};
  if (stat(replaced_.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) Fail("is a folder", 0);
    // A FIFO or a terminal is written into, never replaced by a file; a disk is no output.
    if (S_ISFIFO(existing.st_mode) || S_ISCHR(existing.st_mode)) {
      fd_ = open(replaced_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
      if (fd_ < 0) Fail("cannot be written", errno);
      streaming_ = true;
      return;
    }
    if (!S_ISREG(existing.st_mode)) Fail("is not a file that can be written", 0);
  }
  std::filesystem::path folder = replaced_.parent_path();
  if (folder.empty()) folder = ".";
  // O_EXCL with a fresh name each try: never opens a file someone else made. The name is
  // short, so that it fits wherever the target's own name does.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ =
        folder / (".pomvik-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".part");
    fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) Fail("cannot be written", errno);
  }
  if (fd_ < 0) Fail("cannot be written", EEXIST);
  SetPending(temporary_);
  KeepOwnerAndMode();
}

void TAtomicFile::KeepOwnerAndMode() {
  // A file written anew keeps who may read it: a private 0600 file stays private.
  struct stat existing {};
  if (stat(replaced_.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) return;
  struct stat made {};
  const bool sameOwner =
      fstat(fd_, &made) == 0 && made.st_uid == existing.st_uid && made.st_gid == existing.st_gid;
  // Only the superuser may give a file away; anyone else's new file stays their own.
  if (!sameOwner && fchown(fd_, existing.st_uid, existing.st_gid) != 0) errno = 0;
  if (fchmod(fd_, existing.st_mode & 07777) != 0) {
    const int error = errno;
    Discard();  // the constructor fails: no destructor will
    Fail("cannot be written", error);
  }
}

TAtomicFile::~TAtomicFile() { Discard(); }

void TAtomicFile::Fail(const char* what, int error) const {
  std::string message = target_.string() + " " + what;
  if (error != 0) message += std::string(": ") + std::strerror(error);
  throw ERenderError(message);
}

void TAtomicFile::Discard() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
  if (streaming_) return;
  unlink(temporary_.c_str());
  ClearPending();
}

int TAtomicFile::WriteAll(const void* data, std::size_t size) noexcept {
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd_, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

void TAtomicFile::Write(const std::vector<uint8_t>& bytes) {
  if (const int error = WriteAll(bytes.data(), bytes.size()); error != 0)
    Fail("cannot be written", error);
}

void TAtomicFile::Commit() {
  if (streaming_) {
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) Fail("cannot be written", errno);
    return;
  }
  if (fsync(fd_) != 0) Fail("cannot be written", errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    const int error = errno;
    unlink(temporary_.c_str());
    ClearPending();
    Fail("cannot be written", error);
  }
  if (rename(temporary_.c_str(), replaced_.c_str()) != 0) {
    const int error = errno;
    unlink(temporary_.c_str());
    ClearPending();
    Fail("cannot be written", error);
  }
  ClearPending();
}

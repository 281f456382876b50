#include "core/RecoverySlot.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <set>
#include <system_error>
#include <utility>

#include "core/SongFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view CopySuffix = ".psq";
constexpr std::string_view LockSuffix = ".lock";
constexpr std::string_view TemporarySuffix = ".psq.tmp";
constexpr std::string_view SetAsideSuffix = ".psq.damaged";

[[noreturn]] void Fail(const fs::path& path, int error) {
  const std::string reason = std::generic_category().message(error);
  throw ERecoveryError(path.string() + ": " + reason, reason);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

// Each missing folder on the way is made private, as the state folder should be.
void MakeFolder(const fs::path& folder) {
  fs::path made;
  for (const fs::path& part : folder) {
    made /= part;
    if (mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) Fail(made, errno);
  }
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0) Fail(folder, errno);
  if (!S_ISDIR(status.st_mode)) Fail(folder, ENOTDIR);
}

std::string NewId() {
  std::random_device random;
  const uint64_t bits = (uint64_t{random()} << 32) ^ random();
  char id[48];
  std::snprintf(id, sizeof id, "%ld-%016llx", static_cast<long>(getpid()),
                static_cast<unsigned long long>(bits));
  return id;
}

bool SameFile(int fd, const fs::path& path) {
  struct stat open {
  }, named{};
  return fstat(fd, &open) == 0 && stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// The lock file opened and locked, or -1 with errno set: EWOULDBLOCK when another holds
// it, ESTALE when its file was removed or replaced while it was being taken.
int TakeLock(const fs::path& path, int createFlags) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | createFlags, 0600);
  if (fd < 0) return -1;
  int error = 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    error = errno;
  else if (!SameFile(fd, path))
    error = ESTALE;
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

bool Exists(const fs::path& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

void Unlink(const fs::path& path) { unlink(path.c_str()); }

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

fs::path TRecoverySlot::Folder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state && fs::path(state).is_absolute()) return fs::path(state) / "pomviksequencer";
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return fs::path(home) / ".local" / "state" / "pomviksequencer";
}

TRecoverySlot::TRecoverySlot(fs::path folder, std::string id, int lock)
    : folder_(std::move(folder)), id_(std::move(id)), lock_(lock) {}

TRecoverySlot::TRecoverySlot(TRecoverySlot&& other) noexcept
    : folder_(std::move(other.folder_)),
      id_(std::move(other.id_)),
      lock_(std::exchange(other.lock_, -1)) {}

TRecoverySlot& TRecoverySlot::operator=(TRecoverySlot&& other) noexcept {
  if (this != &other) {
    Release();
    folder_ = std::move(other.folder_);
    id_ = std::move(other.id_);
    lock_ = std::exchange(other.lock_, -1);
  }
  return *this;
}

TRecoverySlot::~TRecoverySlot() { Release(); }

void TRecoverySlot::Release() {
  if (lock_ >= 0) close(lock_);
  lock_ = -1;
}

fs::path TRecoverySlot::PathOf(std::string_view suffix) const {
  return folder_ / (id_ + std::string(suffix));
}

fs::path TRecoverySlot::CopyPath() const { return PathOf(CopySuffix); }

TRecoverySlot TRecoverySlot::Create(const fs::path& folder) {
  if (folder.empty())
    throw ERecoveryError("no home folder to keep a recovery copy in", "no home folder");
  MakeFolder(folder);
  // A scan by another instance may take a fresh lock file before we do, find no copy and
  // remove it; then we start again under another name.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string id = NewId();
    const fs::path lockPath = folder / (id + std::string(LockSuffix));
    const int lock = TakeLock(lockPath, O_CREAT | O_EXCL);
    if (lock >= 0) return TRecoverySlot(folder, std::move(id), lock);
    if (errno != EEXIST && errno != EWOULDBLOCK && errno != ESTALE) Fail(lockPath, errno);
  }
  Fail(folder, EAGAIN);
}

std::vector<TRecoverySlot> TRecoverySlot::ClaimOrphans(const fs::path& folder) {
  if (folder.empty() || !Exists(folder)) return {};
  std::set<std::string> copies, locks;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (EndsWith(name, CopySuffix)) copies.insert(name.substr(0, name.size() - CopySuffix.size()));
    if (EndsWith(name, LockSuffix)) locks.insert(name.substr(0, name.size() - LockSuffix.size()));
  }
  if (error) Fail(folder, error.value());

  std::vector<std::pair<timespec, TRecoverySlot>> claimed;
  for (const std::string& id : copies) {
    const int lock = TakeLock(folder / (id + std::string(LockSuffix)), O_CREAT);
    if (lock < 0) continue;  // its owner runs
    TRecoverySlot slot(folder, id, lock);
    struct stat status {};
    if (lstat(slot.CopyPath().c_str(), &status) != 0) {
      slot.Remove();  // removed by its owner on the way out
      continue;
    }
    claimed.emplace_back(status.st_mtim, std::move(slot));
  }
  for (const std::string& id : locks) {
    if (copies.count(id) != 0) continue;
    const int lock = TakeLock(folder / (id + std::string(LockSuffix)), 0);
    if (lock < 0) continue;
    TRecoverySlot slot(folder, id, lock);
    if (!Exists(slot.CopyPath())) slot.Remove();
  }

  std::stable_sort(claimed.begin(), claimed.end(), [](const auto& a, const auto& b) {
    return std::pair(a.first.tv_sec, a.first.tv_nsec) > std::pair(b.first.tv_sec, b.first.tv_nsec);
  });
  std::vector<TRecoverySlot> orphans;
  for (auto& [time, slot] : claimed) orphans.push_back(std::move(slot));
  return orphans;
}

void TRecoverySlot::Write(std::string_view text) {
  const fs::path temporary = PathOf(TemporarySuffix);
  const int fd =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) Fail(temporary, errno);
  int error = 0;
  for (std::size_t done = 0; error == 0 && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR)
      error = errno;
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), CopyPath().c_str()) != 0) error = errno;
  if (error != 0) {
    Unlink(temporary);
    Fail(temporary, error);
  }
  // The rename itself reaches the disk only with the folder.
  if (const int dir = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

std::string TRecoverySlot::Read() const { return ReadSongFile(CopyPath()); }

void TRecoverySlot::RemoveCopy() {
  Unlink(CopyPath());
  Unlink(PathOf(TemporarySuffix));
}

// The copy goes before the lock file, so that no scan ever finds the copy unowned.
void TRecoverySlot::Remove() {
  RemoveCopy();
  Unlink(PathOf(LockSuffix));
  Release();
}

fs::path TRecoverySlot::SetAside() {
  const fs::path aside = PathOf(SetAsideSuffix);
  if (rename(CopyPath().c_str(), aside.c_str()) != 0) Fail(CopyPath(), errno);
  Remove();
  return aside;
}

#include "tools/render/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "tools/render/RenderError.h"

namespace {

// An interrupt must not leave the temporary file behind: the handler may only use what
// is safe in a signal, so the path waits in a plain buffer.
char g_pendingPath[4096];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePendingAndResignal(int signal) {
  if (g_pendingPath[0] != '\0') unlink(g_pendingPath);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void SetPending(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (text.size() >= sizeof g_pendingPath) return;
  std::memcpy(g_pendingPath, text.c_str(), text.size() + 1);
  for (int signal : kCleanedSignals) std::signal(signal, RemovePendingAndResignal);
}

void ClearPending() {
  for (int signal : kCleanedSignals) std::signal(signal, SIG_DFL);
  g_pendingPath[0] = '\0';
}

}  // namespace

TAtomicFile::TAtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  std::error_code error;
  if (std::filesystem::is_directory(target_, error)) Fail("is a folder", 0);
  std::filesystem::path folder = target_.parent_path();
  if (folder.empty()) folder = ".";
  // O_EXCL with a fresh name each try: never opens a file someone else made.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = folder / ("." + target_.filename().string() + "." + std::to_string(getpid()) +
                           "-" + std::to_string(attempt) + ".part");
    fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) Fail("cannot be written", errno);
  }
  if (fd_ < 0) Fail("cannot be written", EEXIST);
  SetPending(temporary_);
}

TAtomicFile::~TAtomicFile() { Discard(); }

void TAtomicFile::Fail(const char* what, int error) const {
  std::string message = target_.string() + " " + what;
  if (error != 0) message += std::string(": ") + std::strerror(error);
  throw ERenderError(message);
}

void TAtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
    unlink(temporary_.c_str());
    ClearPending();
  }
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
  if (fsync(fd_) != 0) Fail("cannot be written", errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    const int error = errno;
    unlink(temporary_.c_str());
    ClearPending();
    Fail("cannot be written", error);
  }
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    unlink(temporary_.c_str());
    ClearPending();
    Fail("cannot be written", error);
  }
  ClearPending();
}

#include "core/EndingSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_writeEnd = -1;  // the handler's only state

void Caught(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = write(g_writeEnd, &number, 1);
  errno = saved;
}
}  // namespace

TEndingSignals::TEndingSignals() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot make a pipe for signals");
  g_writeEnd = pipe_[1];
  for (int k = 0; k < 3; ++k) {
    sigaction(kSignals[k], nullptr, &found_[k]);
    if (found_[k].sa_handler == SIG_IGN) continue;
    struct sigaction caught {};
    caught.sa_handler = Caught;
    sigemptyset(&caught.sa_mask);
    // A second signal while the first is still being handled ends the program at once.
    caught.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(kSignals[k], &caught, nullptr);
  }
}

TEndingSignals::~TEndingSignals() {
  for (int k = 0; k < 3; ++k) sigaction(kSignals[k], &found_[k], nullptr);
  g_writeEnd = -1;
  close(pipe_[0]);
  close(pipe_[1]);
}

int TEndingSignals::Take() {
  unsigned char number = 0;
  return read(pipe_[0], &number, 1) == 1 ? number : 0;
}

void TEndingSignals::EndBy(int signal) {
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signal, &standard, nullptr);
  sigset_t only{};
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  std::_Exit(128 + signal);  // not reached: the signal's default ends the program
}

// The signals that end the program: caught and told through a pipe, then the end by the
// same signal; each case runs in a child process of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "core/EndingSignals.h"

namespace {

// How a child running `body` ended, as waitpid tells it.
int StatusOf(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

bool EndedBy(int status, int signal) { return WIFSIGNALED(status) && WTERMSIG(status) == signal; }

TEST(EndingSignals, EachIsToldThroughThePipeAndThenEndsTheProgramAsItWould) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const int status = StatusOf([signal] {
      TEndingSignals signals;
      raise(signal);  // caught: the program goes on
      if (signals.Take() != signal) _exit(10);
      if (signals.Take() != 0) _exit(11);
      TEndingSignals::EndBy(signal);
    });
    EXPECT_TRUE(EndedBy(status, signal)) << strsignal(signal) << ": status " << status;
  }
}

TEST(EndingSignals, AnIgnoredOneStaysIgnoredASecondOneEndsAtOnceAndTheOldOnesComeBack) {
  // Started under nohup: SIGHUP stays ignored.
  EXPECT_EQ(StatusOf([] {
              signal(SIGHUP, SIG_IGN);
              TEndingSignals signals;
              raise(SIGHUP);
              if (signals.Take() != 0) _exit(12);
            }),
            0);
  // A program that does not get round to ending is ended by the next signal.
  EXPECT_TRUE(EndedBy(StatusOf([] {
                        TEndingSignals signals;
                        raise(SIGTERM);
                        raise(SIGTERM);
                        _exit(13);
                      }),
                      SIGTERM));
  EXPECT_EQ(StatusOf([] {
              signal(SIGINT, SIG_IGN);
              { const TEndingSignals signals; }
              struct sigaction now {};
              sigaction(SIGTERM, nullptr, &now);
              if (now.sa_handler != SIG_DFL) _exit(14);
              sigaction(SIGINT, nullptr, &now);
              if (now.sa_handler != SIG_IGN) _exit(15);
            }),
            0);
}

}  // namespace

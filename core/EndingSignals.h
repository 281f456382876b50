#pragma once

#include <csignal>

// SIGTERM, SIGINT and SIGHUP, caught so that the program can keep its work before it ends
// by them. A handler may do almost nothing safely, so it only writes the signal's number
// into a pipe; the program watches Descriptor(), keeps what it must, and calls EndBy. A
// signal that finds the program still at it ends it at once (the handler fires once), and
// one that was ignored when the program started (nohup) stays ignored.
class TEndingSignals {
 public:
  // Installs the handlers; one instance at a time.
  TEndingSignals();
  // Puts back the dispositions it found.
  ~TEndingSignals();
  TEndingSignals(const TEndingSignals&) = delete;
  TEndingSignals& operator=(const TEndingSignals&) = delete;

  // Readable once a signal has come.
  int Descriptor() const { return pipe_[0]; }
  // The signal that came, or 0 when none is waiting.
  int Take();

  // Ends the program by `signal` as if nothing had caught it, so that whoever started it
  // sees the signal's usual status.
  [[noreturn]] static void EndBy(int signal);

 private:
  int pipe_[2] = {-1, -1};
  struct sigaction found_[3] = {};
};

// "rendering 42 %" on the terminal, for renders long enough to wonder about: only when
// standard error is a terminal, and only once a second has passed.
#pragma once

#include <chrono>
#include <cstdint>

class TProgressLine {
 public:
  TProgressLine();
  ~TProgressLine();  // clears the line it drew
  void Update(int64_t done, int64_t total);

 private:
  using TClock = std::chrono::steady_clock;
  bool terminal_;
  bool shown_ = false;
  TClock::time_point start_;
  TClock::time_point last_;
};

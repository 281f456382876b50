#include "tools/render/ProgressLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {
constexpr auto kQuietTime = std::chrono::seconds(1);
constexpr auto kStep = std::chrono::milliseconds(200);
}  // namespace

TProgressLine::TProgressLine()
    : terminal_(isatty(STDERR_FILENO) == 1), start_(TClock::now()), last_(start_) {}

TProgressLine::~TProgressLine() {
  if (shown_) std::fputs("\r\033[K", stderr);
}

void TProgressLine::Update(int64_t done, int64_t total) {
  if (!terminal_) return;
  const TClock::time_point now = TClock::now();
  if (now - start_ < kQuietTime || (shown_ && now - last_ < kStep)) return;
  last_ = now;
  shown_ = true;
  const int64_t percent = total > 0 ? std::min<int64_t>(100, done * 100 / total) : 100;
  std::fprintf(stderr, "\rpomvik-render: rendering %3lld %%", static_cast<long long>(percent));
  std::fflush(stderr);
}

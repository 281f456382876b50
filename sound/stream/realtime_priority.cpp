#include "sound/stream/realtime_priority.h"

#include <SDL.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>

namespace stream {

namespace {
// Above PulseAudio's own I/O threads (5), so that the next block is ready when the server
// asks for it, and within RealtimeKit's usual ceiling (20).
constexpr int kPriority = 10;

bool Realtime() {
  const int policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
  return policy == SCHED_FIFO || policy == SCHED_RR;
}
}  // namespace

RealtimeGrant AskRealtimePriority() {
  sched_param param{};
  param.sched_priority =
      std::clamp(kPriority, sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
  // Children never inherit it: a process started from the program stays ordinary.
  if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0)
    return RealtimeGrant::Scheduler;
  if (SDL_LinuxSetThreadPriorityAndPolicy(gettid(), SDL_THREAD_PRIORITY_TIME_CRITICAL,
                                          SCHED_FIFO) == 0 &&
      Realtime())
    return RealtimeGrant::RealtimeKit;
  return RealtimeGrant::Refused;
}

const char* DescribeGrant(RealtimeGrant grant) {
  switch (grant) {
    case RealtimeGrant::Scheduler:
      return "real-time priority from the scheduler";
    case RealtimeGrant::RealtimeKit:
      return "real-time priority from RealtimeKit";
    case RealtimeGrant::Refused:
      break;
  }
  return "real-time priority refused";
}

}  // namespace stream

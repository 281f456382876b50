// Real-time scheduling for the thread that fills the output's blocks, asked for the way
// desktop audio programs ask: the scheduler directly where the process may, else RealtimeKit
// over D-Bus. A refusal leaves the thread as it was; the output works on.
#pragma once

namespace stream {

enum class RealtimeGrant {
  Scheduler,    // SCHED_FIFO set directly (CAP_SYS_NICE or RLIMIT_RTPRIO allow it)
  RealtimeKit,  // granted by rtkit
  Refused,      // neither: the thread keeps its normal priority
};

// Asks for the calling thread.
RealtimeGrant AskRealtimePriority();

const char* DescribeGrant(RealtimeGrant grant);

}  // namespace stream

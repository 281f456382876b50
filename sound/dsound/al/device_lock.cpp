#include "sound/dsound/al/device_lock.h"

#include <thread>
#include <vector>

#include "sound/dsound/inheriting_mutex.h"
#include "sound/dsound/live_output.h"

namespace dsound {
namespace {

struct TLockState {
  InheritingMutex mutex{InheritingMutex::Kind::Recursive};
  int depth = 0;  // how deep the holder is; changed only by the holder
  std::vector<std::unique_ptr<LiveOutput>> retired;
};

TLockState& State() {
  static TLockState state;
  return state;
}

thread_local bool inPull = false;

}  // namespace

DeviceLock::DeviceLock() {
  State().mutex.lock();
  ++State().depth;
}

DeviceLock::~DeviceLock() {
  TLockState& state = State();
  std::vector<std::unique_ptr<LiveOutput>> stopping;
  if (--state.depth == 0) stopping.swap(state.retired);
  state.mutex.unlock();
  for (std::unique_ptr<LiveOutput>& output : stopping) {
    if (inPull) {
      std::thread([gone = std::move(output)] { gone->Stop(); }).detach();
    } else {
      output->Stop();
    }
  }
}

void DeviceLock::Retire(std::unique_ptr<LiveOutput> output) {
  if (output) State().retired.push_back(std::move(output));
}

DeviceLock::PullScope::PullScope() { inPull = true; }
DeviceLock::PullScope::~PullScope() { inPull = false; }

}  // namespace dsound

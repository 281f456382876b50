#define AL_ALEXT_PROTOTYPES  // ALC_EXT_thread_local_context, which every OpenAL Soft has
#include "sound/dsound/al/device_lock.h"

#include <AL/alext.h>

#include <thread>

#include "sound/dsound/live_output.h"

namespace dsound {
namespace {
thread_local bool inPull = false;
}  // namespace

DeviceLock::DeviceLock(std::shared_ptr<State> state) : state_(std::move(state)) {
  state_->mutex.lock();
  ++state_->depth;
  MakeCurrent();
}

DeviceLock::~DeviceLock() {
  std::vector<std::unique_ptr<LiveOutput>> stopping;
  if (--state_->depth == 0 && !state_->retired.empty()) stopping.swap(state_->retired);
  state_->mutex.unlock();
  for (std::unique_ptr<LiveOutput>& output : stopping) {
    if (inPull) {
      std::thread([gone = std::move(output)] { gone->Stop(); }).detach();
    } else {
      output->Stop();
    }
  }
}

void DeviceLock::MakeCurrent() const {
  // Set once per thread and device: a pull finds its context already there.
  if (state_->context != nullptr && alcGetThreadContext() != state_->context)
    alcSetThreadContext(state_->context);
}

void DeviceLock::Retire(std::unique_ptr<LiveOutput> output) const {
  if (output) state_->retired.push_back(std::move(output));
}

DeviceLock::PullScope::PullScope() { inPull = true; }

DeviceLock::PullScope::~PullScope() {
  inPull = false;
  // An output's thread keeps no context between pulls: OpenAL takes one still held when the
  // thread ends (an output going idle ends it) for a leak, and says so.
  if (alcGetThreadContext() != nullptr) alcSetThreadContext(nullptr);
}

bool DeviceLock::InPull() { return inPull; }

void DeviceLock::LetGo(ALCcontext* context) {
  if (context != nullptr && alcGetThreadContext() == context) alcSetThreadContext(nullptr);
}

}  // namespace dsound

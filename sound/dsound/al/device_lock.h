// Each device has a lock of its own for every operation of the layer on it. A live device
// mixes on its output's thread while the user-interface thread plays auditions and loads
// samples: the output's pull holds its device's lock for each block, so whatever another
// thread does lands whole at the start of a block, and no other device (an offline one
// rendering an export, say) ever waits for it. It is recursive, since whatever fills a block
// calls back into the layer. Taking it makes the device's context current on the calling
// thread (OpenAL's thread-local context), so that two devices used on two threads at once
// never act on each other's.
#pragma once

#include <AL/alc.h>

#include <memory>
#include <vector>

#include "sound/dsound/inheriting_mutex.h"

namespace dsound {

class LiveOutput;

class DeviceLock {
 public:
  // What every user of one device shares. It outlives the device while a lock is held, so
  // that an operation may end its device.
  struct State {
    InheritingMutex mutex{InheritingMutex::Kind::Recursive};
    int depth = 0;  // how deep the holder is; changed only by the holder
    std::vector<std::unique_ptr<LiveOutput>> retired;
    ALCcontext* context = nullptr;  // set under the lock once the context is made
  };

  explicit DeviceLock(std::shared_ptr<State> state);
  ~DeviceLock();
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

  // Makes the device's context current on this thread; the constructor does it when there
  // is one.
  void MakeCurrent() const;
  // An output whose device is gone, to be stopped once the outermost lock is let go:
  // stopping waits for a pull, which may be waiting for this lock.
  void Retire(std::unique_ptr<LiveOutput> output) const;

  // Marks the calling thread as an output's while a pull runs on it; an output retired
  // there is stopped from another thread, since a pull cannot wait for itself. The thread
  // lets go of the device's context when the pull ends.
  class PullScope {
   public:
    PullScope();
    ~PullScope();
    PullScope(const PullScope&) = delete;
    PullScope& operator=(const PullScope&) = delete;
  };
  static bool InPull();
  // Lets go of a context about to be destroyed, if it is the calling thread's.
  static void LetGo(ALCcontext* context);

 private:
  std::shared_ptr<State> state_;
};

}  // namespace dsound

// One lock for every operation of the layer. OpenAL's current context belongs to the
// process, and a live device mixes on its output's thread while the user-interface thread
// plays auditions and loads samples: the output's pull holds the lock for each block, so
// whatever another thread does lands whole at the start of a block. It is recursive, since
// whatever fills a block calls back into the layer.
#pragma once

#include <memory>

namespace dsound {

class LiveOutput;

class DeviceLock {
 public:
  DeviceLock();
  ~DeviceLock();
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

  // An output whose device is gone, to be stopped once the outermost lock is let go:
  // stopping waits for a pull, which may be waiting for this lock. Called under the lock.
  static void Retire(std::unique_ptr<LiveOutput> output);

  // Marks the calling thread as an output's while a pull runs on it; an output retired
  // there is stopped from another thread, since a pull cannot wait for itself.
  class PullScope {
   public:
    PullScope();
    ~PullScope();
    PullScope(const PullScope&) = delete;
    PullScope& operator=(const PullScope&) = delete;
  };
};

}  // namespace dsound

// A mutex shared with a live output's thread, which runs at real-time priority. While that
// thread waits for it, whoever holds it runs at the waiter's priority: a window thread
// preempted on a busy machine while holding it would otherwise keep the output waiting
// past its deadline, and the listener hears a dropout.
#pragma once

#include <pthread.h>

namespace dsound {

class InheritingMutex {
 public:
  enum class Kind { Plain, Recursive };
  explicit InheritingMutex(Kind kind = Kind::Plain);
  ~InheritingMutex();
  InheritingMutex(const InheritingMutex&) = delete;
  InheritingMutex& operator=(const InheritingMutex&) = delete;

  // As std::mutex's, for std::lock_guard and std::unique_lock.
  void lock();
  bool try_lock();
  void unlock();

  // False where the system offers no priority inheritance: then it is a plain mutex.
  bool InheritsPriority() const { return inherits_; }

 private:
  pthread_mutex_t mutex_;
  bool inherits_ = false;
};

}  // namespace dsound

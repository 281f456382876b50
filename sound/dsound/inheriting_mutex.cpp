#include "sound/dsound/inheriting_mutex.h"

#include <cerrno>
#include <system_error>

namespace dsound {

InheritingMutex::InheritingMutex(Kind kind) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(
      &attributes, kind == Kind::Recursive ? PTHREAD_MUTEX_RECURSIVE : PTHREAD_MUTEX_NORMAL);
  // Where the system has no priority inheritance the mutex is a plain one.
  int made = pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
  if (made == 0) made = pthread_mutex_init(&mutex_, &attributes);
  if (made != 0) {
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_NONE);
    made = pthread_mutex_init(&mutex_, &attributes);
  }
  int protocol = PTHREAD_PRIO_NONE;
  pthread_mutexattr_getprotocol(&attributes, &protocol);
  inherits_ = protocol == PTHREAD_PRIO_INHERIT;
  pthread_mutexattr_destroy(&attributes);
  if (made != 0) throw std::system_error(made, std::generic_category(), "pthread_mutex_init");
}

InheritingMutex::~InheritingMutex() { pthread_mutex_destroy(&mutex_); }

void InheritingMutex::lock() {
  const int locked = pthread_mutex_lock(&mutex_);
  if (locked != 0) throw std::system_error(locked, std::generic_category(), "pthread_mutex_lock");
}

bool InheritingMutex::try_lock() {
  const int locked = pthread_mutex_trylock(&mutex_);
  if (locked == 0) return true;
  if (locked == EBUSY) return false;
  throw std::system_error(locked, std::generic_category(), "pthread_mutex_trylock");
}

void InheritingMutex::unlock() { pthread_mutex_unlock(&mutex_); }

}  // namespace dsound

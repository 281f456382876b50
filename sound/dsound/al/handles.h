// Move-only owners of OpenAL objects: each frees its object when it goes.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <utility>

namespace dsound::al {

template <typename T, void (*Free)(T)>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(std::exchange(other.value_, T{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = std::exchange(other.value_, T{});
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != T{}; }
  void reset() {
    if (value_ != T{}) Free(value_);
    value_ = T{};
  }
  // Gives the object up to the caller, who frees it.
  T release() { return std::exchange(value_, T{}); }

 private:
  T value_{};
};

inline void CloseDevice(ALCdevice* device) { alcCloseDevice(device); }
inline void DestroyContext(ALCcontext* context) {
  if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
}
// Buffers and sources belong to the current context; their owners make it current first.
inline void DeleteBuffer(ALuint id) { alDeleteBuffers(1, &id); }
inline void DeleteSource(ALuint id) {
  alSourceStop(id);
  alDeleteSources(1, &id);
}

using Device = UniqueHandle<ALCdevice*, CloseDevice>;
using Context = UniqueHandle<ALCcontext*, DestroyContext>;
using Buffer = UniqueHandle<ALuint, DeleteBuffer>;
using Source = UniqueHandle<ALuint, DeleteSource>;

inline Buffer GenBuffer() {
  ALuint id = 0;
  alGetError();
  alGenBuffers(1, &id);
  return alGetError() == AL_NO_ERROR ? Buffer(id) : Buffer();
}

inline Source GenSource() {
  ALuint id = 0;
  alGetError();
  alGenSources(1, &id);
  return alGetError() == AL_NO_ERROR ? Source(id) : Source();
}

}  // namespace dsound::al

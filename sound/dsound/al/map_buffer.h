// OpenAL Soft's buffers that hand their memory out (AL_SOFTX_map_buffer, 1.19 on): a buffer
// given storage with alBufferStorageSOFT and mapped for good is written in place, so that
// data is held once, where the mixer reads it, and changed without a copy or a new buffer.
#pragma once

#include <AL/al.h>

namespace dsound {

using AlBufferStorage = void(AL_APIENTRY*)(ALuint buffer, ALenum format, const ALvoid* data,
                                           ALsizei size, ALsizei frequency, ALuint flags);
using AlMapBuffer = void*(AL_APIENTRY*)(ALuint buffer, ALsizei offset, ALsizei length,
                                        ALuint access);
using AlUnmapBuffer = void(AL_APIENTRY*)(ALuint buffer);
inline constexpr ALuint kAlMapReadWritePersistent = 0x1 | 0x2 | 0x4;

}  // namespace dsound

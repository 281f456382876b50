#include "sound/dsound/al/fader.h"

#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sound/dsound/al/device.h"

namespace dsound {
namespace {

// Sample frame of the cut voice's data as OpenAL reads it: silence past the end, unless the
// voice loops.
inline float SampleAt(const CutVoice& cut, size_t frame, size_t channel) {
  if (frame >= cut.frames) {
    if (!cut.looping) return 0.0f;
    frame %= cut.frames;
  }
  const size_t index = frame * static_cast<size_t>(cut.channels) + channel;
  if (cut.bits == 8) return (static_cast<float>(cut.pcm[index]) - 128.0f) / 128.0f;
  int16_t value = 0;
  std::memcpy(&value, cut.pcm + 2 * index, sizeof value);
  return static_cast<float>(value) / 32768.0f;
}

}  // namespace

AlFader::~AlFader() = default;

void AlFader::Prepare(const AlDevice& device) {
  const int32_t mixRate = device.MixRate();
  const AlExtensions& ext = device.Extensions();
  if (mixRate <= 0 || !ext.float32) return;
  while (voices_.size() < kMonoVoices + kStereoVoices) {
    Voice voice{al::GenBuffer(), al::GenSource()};
    if (!voice.source || !voice.buffer) break;
    voice.channels = voices_.size() < kMonoVoices ? 1 : 2;
    device.Centre(voice.source.get());
    voices_.push_back(std::move(voice));
  }
  // A half cosine leaves the sound and arrives at silence without a bend.
  const auto length = static_cast<size_t>(std::max(1L, std::lround(kFadeSeconds * mixRate)));
  ramp_.resize(length);
  for (size_t k = 0; k < length; ++k)
    ramp_[k] = static_cast<float>(0.5 * (1.0 + std::cos(std::numbers::pi * static_cast<double>(k) /
                                                        static_cast<double>(length))));
  samples_.reserve(2 * length);

  // Each voice's buffer holds a fade at this rate, attached for good where it can be
  // written in place.
  unmap_ = ext.unmapBuffer;
  for (Voice& voice : voices_) {
    alSourceStop(voice.source.get());
    alSourcei(voice.source.get(), AL_BUFFER, 0);
    if (voice.mapped != nullptr) unmap_(voice.buffer.get());
    voice.mapped = nullptr;
    if (ext.bufferStorage == nullptr) continue;
    const auto bytes =
        static_cast<ALsizei>(length * static_cast<size_t>(voice.channels) * sizeof(float));
    alGetError();
    ext.bufferStorage(voice.buffer.get(),
                      voice.channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32,
                      nullptr, bytes, mixRate, kAlMapReadWritePersistent);
    if (alGetError() != AL_NO_ERROR) continue;
    voice.mapped =
        static_cast<float*>(ext.mapBuffer(voice.buffer.get(), 0, bytes, kAlMapReadWritePersistent));
    if (voice.mapped == nullptr) continue;
    std::fill(voice.mapped, voice.mapped + length * static_cast<size_t>(voice.channels), 0.0f);
    alSourcei(voice.source.get(), AL_BUFFER, static_cast<ALint>(voice.buffer.get()));
  }
}

void AlFader::Clear() {
  for (Voice& voice : voices_) {
    voice.source.reset();
    if (voice.mapped != nullptr) unmap_(voice.buffer.get());
  }
  voices_.clear();
}

void AlFader::FadeOut(const CutVoice& cut, const AlDevice& device) {
  const int32_t mixRate = device.MixRate();
  if (cut.frames == 0 || mixRate <= 0 || ramp_.empty()) return;
  Voice* voice = FreeVoice(cut.channels);
  if (voice == nullptr) return;
  const ALuint source = voice->source.get();
  if (voice->mapped != nullptr) {
    Shape(cut, ramp_.size(), voice->mapped);
  } else {
    samples_.resize(ramp_.size() * static_cast<size_t>(cut.channels));
    Shape(cut, ramp_.size(), samples_.data());
    alSourcei(source, AL_BUFFER, 0);
    alGetError();
    alBufferData(voice->buffer.get(),
                 cut.channels == 2 ? AL_FORMAT_STEREO_FLOAT32 : AL_FORMAT_MONO_FLOAT32,
                 samples_.data(), static_cast<ALsizei>(samples_.size() * sizeof(float)), mixRate);
    if (alGetError() != AL_NO_ERROR) return;
    alSourcei(source, AL_BUFFER, static_cast<ALint>(voice->buffer.get()));
  }
  Place(*voice, cut, device);
  alSourcePlay(source);
}

AlFader::Voice* AlFader::FreeVoice(int channels) {
  Voice* oldest = nullptr;
  for (size_t tried = 0; tried < voices_.size(); ++tried) {
    Voice& voice = voices_[next_];
    next_ = (next_ + 1) % voices_.size();
    if (voice.channels != channels) continue;
    ALint state = AL_INITIAL;
    alGetSourcei(voice.source.get(), AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) return &voice;
    if (oldest == nullptr) oldest = &voice;
  }
  if (oldest != nullptr) alSourceStop(oldest->source.get());
  return oldest;
}

void AlFader::Shape(const CutVoice& cut, size_t length, float* out) {
  const auto channels = static_cast<size_t>(cut.channels);
  // OpenAL's own interpolation, between the two frames around each position.
  for (size_t k = 0; k < length; ++k) {
    const double at = cut.position + cut.step * static_cast<double>(k);
    const auto frame = static_cast<size_t>(at);
    const auto fraction = static_cast<float>(at - static_cast<double>(frame));
    for (size_t c = 0; c < channels; ++c) {
      const float a = SampleAt(cut, frame, c);
      const float b = SampleAt(cut, frame + 1, c);
      out[k * channels + c] = (a + (b - a) * fraction) * ramp_[k];
    }
  }
}

void AlFader::Place(Voice& voice, const CutVoice& cut, const AlDevice& device) {
  ALuint to = voice.source.get();
  if (!cut.placed) {
    if (voice.placed) device.Centre(to);
    voice.placed = false;
    return;
  }
  // The fade sounds where the cut voice did; it carries no velocity, since its pitch is
  // already in its samples.
  ALuint from = cut.source;
  ALint relative = AL_FALSE;
  alGetSourcei(from, AL_SOURCE_RELATIVE, &relative);
  alSourcei(to, AL_SOURCE_RELATIVE, relative);
  for (ALenum vector : {AL_POSITION, AL_DIRECTION}) {
    ALfloat v[3] = {};
    alGetSourcefv(from, vector, v);
    alSourcefv(to, vector, v);
  }
  alSource3f(to, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  for (ALenum property : {AL_CONE_INNER_ANGLE, AL_CONE_OUTER_ANGLE, AL_CONE_OUTER_GAIN,
                          AL_REFERENCE_DISTANCE, AL_MAX_DISTANCE, AL_ROLLOFF_FACTOR, AL_GAIN}) {
    ALfloat value = 0.0f;
    alGetSourcef(from, property, &value);
    alSourcef(to, property, value);
  }
  if (device.Extensions().sourceSpatialize) alSourcei(to, AL_SOURCE_SPATIALIZE_SOFT, AL_AUTO_SOFT);
  voice.placed = true;
}

}  // namespace dsound

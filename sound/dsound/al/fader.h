// Fades out the voices that are cut short, so that a cut does not click.
//
// A cut voice stops at once, as DirectSound says it does. What it would have played over the
// next few milliseconds is computed here, at the mixing rate, shaped by a falling half cosine,
// and played on a short-lived voice of the fader's own that starts where the cut one ends:
// the buffer is at the mixing rate and plays at pitch 1, so OpenAL copies it into the mix as
// it is, with no resampling and without the fade-in it gives a voice started mid-buffer. On
// the offline device the hand-over is exact and the same every time; on a real device it is
// exact unless a mixing period begins between the cut and the fade's start (a few
// microseconds), which leaves a gap of one period.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/dsound/al/handles.h"
#include "sound/dsound/al/map_buffer.h"

namespace dsound {

class AlDevice;

// What a cut voice was playing, and where.
struct CutVoice {
  ALuint source = 0;    // the cut voice: the fade takes over its place in space
  bool placed = false;  // a 3-D voice, whose place must be copied
  const uint8_t* pcm = nullptr;
  size_t frames = 0;  // whole frames in pcm
  int channels = 1;   // 1 or 2, interleaved
  int bits = 16;      // 8 (unsigned) or 16 (signed)
  bool looping = false;
  double position = 0.0;  // in frames, where the voice would have gone on
  double step = 1.0;      // frames of pcm per frame of the mix
};

class AlFader {
 public:
  // How long a cut takes to fall silent.
  static constexpr double kFadeSeconds = 0.003;

  // Fades of mono and of stereo voices that can sound at once; past that the oldest gives
  // way. A column cuts at most six voices and an audition one, and a fade is over long
  // before the next column.
  static constexpr std::size_t kMonoVoices = 12;
  static constexpr std::size_t kStereoVoices = 4;

  AlFader() = default;
  AlFader(const AlFader&) = delete;
  AlFader& operator=(const AlFader&) = delete;
  ~AlFader();

  // Makes the voices and the fall at the device's mixing rate, so that a fade makes nothing
  // of its own: each voice keeps its buffer attached and, where OpenAL hands a buffer's
  // memory out, is written in place. Again whenever the rate changes. The context must be
  // current.
  void Prepare(const AlDevice& device);
  // Starts the fade of a voice just cut on device, whose context is current.
  void FadeOut(const CutVoice& cut, const AlDevice& device);
  // Frees the fade voices; their context must be current.
  void Clear();

 private:
  struct Voice {
    al::Buffer buffer;  // before the source, which must let go of it first
    al::Source source;
    int channels = 1;
    float* mapped = nullptr;  // the buffer's memory, or null: each fade is copied in
    bool placed = false;      // last set up as a 3-D voice
  };
  // A voice for a fade of `channels` that has played its fade out; the oldest when all
  // are busy.
  Voice* FreeVoice(int channels);
  // Fills out with the fade, `length` frames of the cut voice's channels.
  void Shape(const CutVoice& cut, size_t length, float* out);
  void Place(Voice& voice, const CutVoice& cut, const AlDevice& device);

  std::vector<Voice> voices_;
  std::size_t next_ = 0;
  std::vector<float> ramp_;     // the fall, one gain per frame of the mix
  std::vector<float> samples_;  // a fade being built, where buffers are not mapped
  AlUnmapBuffer unmap_ = nullptr;
};

}  // namespace dsound

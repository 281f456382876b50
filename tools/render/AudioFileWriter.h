// Writes the mix through libsndfile: 16-bit PCM for WAVE and FLAC (the same bytes on every
// run), Ogg Vorbis, Opus and MP3 at a good default quality. A WAVE file is the plain 44-byte
// RIFF WAVE or RF64, as its writer is told (see WaveContainer.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/render/OutputFormat.h"
#include "tools/render/WaveContainer.h"

class TAtomicFile;
struct sf_private_tag;

class TAudioFileWriter {
 public:
  // Stereo at `rate` into the open file; ERenderError when libsndfile refuses. `container`
  // is for WAVE only.
  TAudioFileWriter(TAtomicFile& file, TOutputFormat format, int rate,
                   TWaveContainer container = TWaveContainer::Riff);
  ~TAudioFileWriter();
  TAudioFileWriter(const TAudioFileWriter&) = delete;
  TAudioFileWriter& operator=(const TAudioFileWriter&) = delete;

  // Interleaved left, right; values beyond full scale are clipped as a sound card would.
  // ERenderError for sound past what a RIFF WAVE can count, rather than wrapped sizes.
  void Write(const float* frames, std::size_t count);
  // Finishes the stream (trailers, lengths); the file can then be committed.
  void Close();

 private:
  [[noreturn]] void Fail(const char* what) const;

  // libsndfile writes through these, so that no failed write goes unseen: its encoders
  // do not all report one.
  static int64_t Length(void* self);
  static int64_t Seek(int64_t offset, int whence, void* self);
  static int64_t Read(void* data, int64_t count, void* self);
  static int64_t Put(const void* data, int64_t count, void* self);
  static int64_t Tell(void* self);

  TAtomicFile& file_;
  int writeError_ = 0;
  int64_t streamed_ = 0;  // bytes put, for an output that is a stream
  sf_private_tag* sndfile_ = nullptr;
  bool pcm16_;
  int64_t frameLimit_;  // what the container can count
  int64_t frames_ = 0;
  std::vector<int16_t> shorts_;
  std::vector<float> floats_;
};

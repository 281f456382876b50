// Writes the mix through libsndfile: 16-bit PCM for WAVE and FLAC (the same bytes on every
// run), Ogg Vorbis, Opus and MP3 at a good default quality. A WAVE file is RIFF while its
// sound fits the 4 GiB a RIFF header can count, and RF64 past that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/render/OutputFormat.h"

class TAtomicFile;
struct sf_private_tag;

// RF64 from the first byte lets a test see that container without 4 GiB of sound.
enum class TWaveContainer { RiffBelow4GiB, AlwaysRf64 };

class TAudioFileWriter {
 public:
  // Stereo at `rate` into the open file; ERenderError when libsndfile refuses.
  TAudioFileWriter(TAtomicFile& file, TOutputFormat format, int rate,
                   TWaveContainer container = TWaveContainer::RiffBelow4GiB);
  ~TAudioFileWriter();
  TAudioFileWriter(const TAudioFileWriter&) = delete;
  TAudioFileWriter& operator=(const TAudioFileWriter&) = delete;

  // Interleaved left, right; values beyond full scale are clipped as a sound card would.
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
  sf_private_tag* sndfile_ = nullptr;
  bool pcm16_;
  std::vector<int16_t> shorts_;
  std::vector<float> floats_;
};

#include "tools/render/AudioFileWriter.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tools/render/AtomicFile.h"
#include "tools/render/RenderError.h"

namespace {

int SndfileFormat(TOutputFormat format, TWaveContainer container) {
  switch (format) {
    case TOutputFormat::Wave:
      // libsndfile's RF64, even downgraded to RIFF, is a WAVE_FORMAT_EXTENSIBLE with JUNK and
      // fact chunks that not every player takes: plain WAVE unless the sound may not fit.
      return (container == TWaveContainer::Riff ? SF_FORMAT_WAV : SF_FORMAT_RF64) |
             SF_FORMAT_PCM_16;
    case TOutputFormat::Flac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case TOutputFormat::OggVorbis:
      return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case TOutputFormat::Opus:
      return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case TOutputFormat::Mp3:
      return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case TOutputFormat::Midi:
      break;
  }
  return 0;
}

// libsndfile's compression level runs from 0 (best) to 1. These give Vorbis quality 6,
// Opus 128 kbit/s for the pair and LAME's VBR quality 2: about 190 kbit/s, none audible.
constexpr double kVorbisCompression = 0.4;
constexpr double kOpusCompression = 0.768;
constexpr double kMp3Compression = 0.2;

float Clip(float v) { return std::clamp(v, -1.0f, 1.0f); }

}  // namespace

TAudioFileWriter::TAudioFileWriter(TAtomicFile& file, TOutputFormat format, int rate,
                                   TWaveContainer container)
    : file_(file),
      pcm16_(format == TOutputFormat::Wave || format == TOutputFormat::Flac),
      frameLimit_(format == TOutputFormat::Wave && container == TWaveContainer::Riff
                      ? kRiffWaveFrameLimit
                      : std::numeric_limits<int64_t>::max()) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = SndfileFormat(format, container);
  if (info.format == 0 || sf_format_check(&info) == SF_FALSE) Fail("cannot take this format");
  SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Put, &Tell};
  sndfile_ = sf_open_virtual(&io, SFM_WRITE, &info, this);
  if (sndfile_ == nullptr)
    Fail(writeError_ != 0 ? std::strerror(writeError_) : sf_strerror(nullptr));

  bool set = true;
  double level = 0;
  if (format == TOutputFormat::Mp3) {
    // libsndfile 1.2.0 answers this command with 0 even when it succeeds: ask back.
    int mode = SF_BITRATE_MODE_VARIABLE;
    sf_command(sndfile_, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    set = sf_command(sndfile_, SFC_GET_BITRATE_MODE, nullptr, 0) == mode;
    level = kMp3Compression;
  } else if (format == TOutputFormat::OggVorbis) {
    level = kVorbisCompression;
  } else if (format == TOutputFormat::Opus) {
    level = kOpusCompression;
  }
  if (set && level > 0)
    set = sf_command(sndfile_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) == SF_TRUE;
  if (!set) Fail("refused the encoder's settings");
}

TAudioFileWriter::~TAudioFileWriter() {
  if (sndfile_ != nullptr) sf_close(sndfile_);
}

// A stream cannot go back: it is as long as what was put, and a seek anywhere else fails.
int64_t TAudioFileWriter::Length(void* self) {
  auto* writer = static_cast<TAudioFileWriter*>(self);
  if (writer->file_.Streaming()) return writer->streamed_;
  struct stat status {};
  return fstat(writer->file_.Descriptor(), &status) == 0 ? status.st_size : -1;
}

int64_t TAudioFileWriter::Seek(int64_t offset, int whence, void* self) {
  auto* writer = static_cast<TAudioFileWriter*>(self);
  if (!writer->file_.Streaming()) return lseek(writer->file_.Descriptor(), offset, whence);
  const int64_t to = whence == SEEK_CUR   ? writer->streamed_ + offset
                     : whence == SEEK_END ? writer->streamed_ + offset
                                          : offset;
  // FLAC's encoder goes back only to fill in its totals, and does without them.
  return to == writer->streamed_ ? to : -1;
}

int64_t TAudioFileWriter::Read(void* data, int64_t count, void* self) {
  const ssize_t n = read(static_cast<TAudioFileWriter*>(self)->file_.Descriptor(), data,
                         static_cast<std::size_t>(count));
  return n < 0 ? 0 : n;
}

int64_t TAudioFileWriter::Put(const void* data, int64_t count, void* self) {
  auto* writer = static_cast<TAudioFileWriter*>(self);
  if (writer->writeError_ != 0) return 0;
  writer->writeError_ = writer->file_.WriteAll(data, static_cast<std::size_t>(count));
  if (writer->writeError_ != 0) return 0;
  writer->streamed_ += count;
  return count;
}

int64_t TAudioFileWriter::Tell(void* self) {
  auto* writer = static_cast<TAudioFileWriter*>(self);
  if (writer->file_.Streaming()) return writer->streamed_;
  return lseek(writer->file_.Descriptor(), 0, SEEK_CUR);
}

void TAudioFileWriter::Fail(const char* what) const {
  throw ERenderError(file_.Target().string() + ": " + what);
}

void TAudioFileWriter::Write(const float* frames, std::size_t count) {
  if (static_cast<int64_t>(count) > frameLimit_ - frames_)
    Fail("the sound has grown past the 4 GiB a WAVE header can count");
  frames_ += static_cast<int64_t>(count);
  const std::size_t samples = 2 * count;
  sf_count_t written = 0;
  if (pcm16_) {
    // Our own conversion, rounded to nearest: libsndfile would wrap values past full scale.
    shorts_.resize(samples);
    for (std::size_t i = 0; i < samples; ++i)
      shorts_[i] = static_cast<int16_t>(std::lrint(Clip(frames[i]) * 32767.0f));
    written = sf_write_short(sndfile_, shorts_.data(), static_cast<sf_count_t>(samples));
  } else {
    floats_.resize(samples);
    std::transform(frames, frames + samples, floats_.begin(), Clip);
    written = sf_write_float(sndfile_, floats_.data(), static_cast<sf_count_t>(samples));
  }
  if (writeError_ != 0) Fail(std::strerror(writeError_));
  if (written != static_cast<sf_count_t>(samples)) Fail(sf_strerror(sndfile_));
}

void TAudioFileWriter::Close() {
  SNDFILE* sndfile = sndfile_;
  sndfile_ = nullptr;
  const int closed = sf_close(sndfile);
  if (writeError_ != 0) Fail(std::strerror(writeError_));
  if (closed != 0) Fail("the stream could not be finished");
}

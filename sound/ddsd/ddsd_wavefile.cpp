#include "sound/ddsd/ddsd_wavefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "sound/riff/mmio.h"

using namespace dsound;
using namespace mmio;

namespace {

constexpr WORD kWaveFormatIeeeFloat = 3;
constexpr WORD kWaveFormatExtensible = 0xFFFE;

std::string FormatName(const WAVEFORMATEX& format) {
  switch (format.wFormatTag) {
    case kWaveFormatIeeeFloat:
      return std::to_string(format.wBitsPerSample) + "-bit float data";
    case kWaveFormatExtensible:
      return "data in the extensible format";
    default:
      return "data of format tag " + std::to_string(format.wFormatTag);
  }
}

}  // namespace

TDDSDWaveFile::TDDSDWaveFile(const std::string& fileName, bool is3D) : fileName_(fileName) {
  Walk(is3D);
}

TDDSDWaveFile::~TDDSDWaveFile() = default;

void TDDSDWaveFile::Fail(TDDSDWaveFault fault, std::string cause) {
  Close();
  fault_ = fault;
  cause_ = std::move(cause);
}

void TDDSDWaveFile::Close() {
  if (file_) file_->Close();
  file_.reset();
}

void TDDSDWaveFile::Walk(bool is3D) {
  errno = 0;
  file_ = MmioFile::Open(fileName_);
  if (!file_) {
    const int error = errno;
    if (error != 0)
      return Fail(TDDSDWaveFault::NotFound,
                  std::string("cannot be opened: ") + std::strerror(error));
    // stat never waits, whatever the file is.
    std::error_code ignored;
    const std::filesystem::file_type type = std::filesystem::status(fileName_, ignored).type();
    using enum std::filesystem::file_type;
    return Fail(TDDSDWaveFault::NotFound, type == directory ? "is a folder, not a file"
                                          : type == fifo    ? "is a FIFO, not a file"
                                          : type == character || type == block
                                              ? "is a device, not a file"
                                              : "is not a regular file");
  }

  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (file_->Descend(riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
    return Fail(TDDSDWaveFault::NotWave, "is not a RIFF WAVE file");

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (file_->Descend(chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return Fail(TDDSDWaveFault::NoFmtChunk, "has no fmt chunk");
  // A longer fmt chunk carries more than the record holds: read its first 18 bytes only.
  const uint32_t wanted = std::min<uint32_t>(chunk.cksize, sizeof(WAVEFORMATEX));
  if (const uint32_t got = file_->Read(&format_, wanted); got != wanted)
    return Fail(TDDSDWaveFault::BadFmtChunk, "its fmt chunk ends after " + std::to_string(got) +
                                                 " of " + std::to_string(wanted) + " bytes");
  file_->Ascend(chunk);

  chunk = MMCKINFO{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (file_->Descend(chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return Fail(TDDSDWaveFault::NoDataChunk, "has no data chunk after its fmt chunk");
  // A size claimed past the end of the file would only make a buffer of nothing.
  dataSize_ = static_cast<uint32_t>(std::min<uint64_t>(chunk.cksize, file_->Remaining()));
  CheckSound(is3D);
  if (dataSize_ == chunk.cksize) return;
  const std::string cut = "its data chunk claims " + std::to_string(chunk.cksize) +
                          " bytes; the file ends after " + std::to_string(dataSize_);
  if (fault_ == TDDSDWaveFault::NoSound) cause_ += " (" + cut + ")";
  if (fault_ == TDDSDWaveFault::None) damage_ = "is damaged: " + cut + "; it plays what it has";
}

// What a sound buffer takes: 8- or 16-bit PCM, mono or stereo (only mono in space), at
// DSBFREQUENCY_MIN .. DSBFREQUENCY_MAX, of DSBSIZE_MIN .. DSBSIZE_MAX bytes.
void TDDSDWaveFile::CheckSound(bool is3D) {
  const WAVEFORMATEX& f = format_;
  if (f.wFormatTag != WAVE_FORMAT_PCM)
    return Fail(TDDSDWaveFault::NotPlayable, FormatName(f) + "; a sample must be 8- or 16-bit PCM");
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16)
    return Fail(TDDSDWaveFault::NotPlayable,
                std::to_string(f.wBitsPerSample) + "-bit PCM; a sample must be 8- or 16-bit PCM");
  if (f.nChannels != 1 && f.nChannels != 2)
    return Fail(TDDSDWaveFault::NotPlayable,
                std::to_string(f.nChannels) + " channels; a sample must be mono or stereo");
  if (is3D && f.nChannels != 1)
    return Fail(TDDSDWaveFault::NotPlayable, "stereo; a sample placed in space must be mono");
  if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX)
    return Fail(TDDSDWaveFault::NotPlayable, "a rate of " + std::to_string(f.nSamplesPerSec) +
                                                 " Hz; a sample's rate must be " +
                                                 std::to_string(DSBFREQUENCY_MIN) + " to " +
                                                 std::to_string(DSBFREQUENCY_MAX) + " Hz");
  if (dataSize_ == 0) return Fail(TDDSDWaveFault::NoSound, "holds no sound data");
  if (dataSize_ < DSBSIZE_MIN)
    return Fail(TDDSDWaveFault::NoSound, "holds only " + std::to_string(dataSize_) +
                                             " bytes of sound data; a sample needs at least " +
                                             std::to_string(DSBSIZE_MIN));
  if (dataSize_ > DSBSIZE_MAX)
    return Fail(TDDSDWaveFault::TooLarge, "holds " + std::to_string(dataSize_) +
                                              " bytes of sound data; a sample holds at most " +
                                              std::to_string(DSBSIZE_MAX) + " (256 MiB)");
}

std::string TDDSDWaveFile::ReportText() const {
  switch (fault_) {
    case TDDSDWaveFault::None:
      return {};
    case TDDSDWaveFault::NotFound:
      return fileName_ + "が、見つかりません";
    case TDDSDWaveFault::NotWave:
      return fileName_ + "は、WAVEファイルではありません";
    case TDDSDWaveFault::NoFmtChunk:
      return fileName_ + "には、fmtチャンクが有りません";
    case TDDSDWaveFault::BadFmtChunk:
      return fileName_ + "のfmtチャンクが不正です";
    case TDDSDWaveFault::NoDataChunk:
      return fileName_ + "には、dataチャンクが有りません";
    case TDDSDWaveFault::NotPlayable:
      return fileName_ + "は、再生できない形式です";
    case TDDSDWaveFault::NoSound:
      return fileName_ + "のdataチャンクに音がありません";
    case TDDSDWaveFault::TooLarge:
      return fileName_ + "のdataチャンクが大きすぎます";
  }
  return {};
}

uint32_t TDDSDWaveFile::Read(void* destination, uint32_t bytes) {
  return file_ ? file_->Read(destination, bytes) : 0;
}

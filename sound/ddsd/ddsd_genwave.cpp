#include "sound/ddsd/ddsd_genwave.h"

#include <algorithm>
#include <exception>

#include "sound/ddsd/ddsd.h"
#include "sound/riff/mmio.h"

using namespace dsound;
using namespace mmio;

TDDSDGenWave::TDDSDGenWave(TDDSD* ddsd, const std::string& fileName, bool is3D) : ddsd_(ddsd) {
  try {
    LoadWAV(fileName, is3D);
  } catch (...) {
    // A raised report ends the construction; the buffer made so far must not leak.
    ReleaseBuffer();
    throw;
  }
}

TDDSDGenWave::~TDDSDGenWave() { ReleaseBuffer(); }

void TDDSDGenWave::ReleaseBuffer() {
  if (buffer_ == nullptr || !ddsd_->Available()) return;
  IDirectSoundBuffer* buffer = buffer_;
  buffer_ = nullptr;
  try {
    CheckResult(static_cast<int32_t>(buffer->Release()), "二次バッファの解放に失敗しました");
  } catch (const std::exception&) {
    // Nothing can be passed on from a destructor.
  }
}

void TDDSDGenWave::LoadWAV(const std::string& fileName, bool is3D) {
  if (!ddsd_->Available()) return;

  std::unique_ptr<MmioFile> file = MmioFile::Open(fileName);
  if (!file) {
    ReportError(fileName + "が、見つかりません");
    return;
  }
  // Each file failure closes the file before it is reported, so that a raise leaves none open.
  auto fail = [&](const char* message) {
    file->Close();
    ReportError(fileName + message);
  };

  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (file->Descend(riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
    return fail("は、WAVEファイルではありません");

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (file->Descend(chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return fail("には、fmtチャンクが有りません");
  // A longer fmt chunk carries more than the record holds: read its first 18 bytes only.
  uint32_t wanted = std::min<uint32_t>(chunk.cksize, sizeof(WAVEFORMATEX));
  if (file->Read(&format_, wanted) != wanted) return fail("のfmtチャンクが不正です");
  file->Ascend(chunk);

  chunk = MMCKINFO{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (file->Descend(chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return fail("には、dataチャンクが有りません");
  // A size claimed past the end of the file would only make a buffer of nothing.
  dataSize_ = static_cast<uint32_t>(std::min<uint64_t>(chunk.cksize, file->Remaining()));

  DSBUFFERDESC desc{};
  desc.dwSize = kDsBufferDescSize;
  desc.dwFlags =
      is3D ? DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME
           : DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  if (ddsd_->StickyFocus()) desc.dwFlags |= DSBCAPS_STICKYFOCUS;
  desc.dwBufferBytes = dataSize_;
  desc.lpwfxFormat = &format_;
  IDirectSoundBuffer* buffer = nullptr;
  if (CheckResult(ddsd_->DirectSound()->CreateSoundBuffer(&desc, &buffer, nullptr),
                  "サウンドバッファの作成に失敗しました") != 0)
    return;
  buffer->SetLabel(fileName);
  buffer_ = buffer;

  void* audio1 = nullptr;
  void* audio2 = nullptr;
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  if (CheckResult(buffer_->Lock(0, dataSize_, &audio1, &bytes1, &audio2, &bytes2, 0),
                  "LoadWAV中に、サウンドバッファのロックが失敗しました") != 0) {
    ReleaseBuffer();  // a buffer that was never filled is no sample
    return;
  }
  // A short read leaves the rest of the buffer silent.
  file->Read(audio1, bytes1);
  if (bytes2 != 0 && audio2 != nullptr) file->Read(audio2, bytes2);
  CheckResult(buffer_->Unlock(audio1, bytes1, audio2, bytes2),
              "LoadWAV中に、サウンドバッファのアンロックが失敗しました");
  buffer_->SetFrequency(format_.nSamplesPerSec);
  file->Close();
}

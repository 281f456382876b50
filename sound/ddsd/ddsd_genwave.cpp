#include "sound/ddsd/ddsd_genwave.h"

#include <exception>

#include "sound/ddsd/ddsd.h"
#include "sound/ddsd/ddsd_wavefile.h"

using namespace dsound;

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
    ddsd_->Report().CheckResult(static_cast<int32_t>(buffer->Release()),
                                "二次バッファの解放に失敗しました");
  } catch (const std::exception&) {
    // Nothing can be passed on from a destructor.
  }
}

void TDDSDGenWave::LoadWAV(const std::string& fileName, bool is3D) {
  if (!ddsd_->Available()) return;

  // A file the loader's rules refuse is a fault of that file: it is reported (and closed
  // first), never left for the device to refuse.
  TDDSDWaveFile file(fileName, is3D);
  format_ = file.Format();
  if (file.Fault() != TDDSDWaveFault::None) return ddsd_->Report().ReportError(file.ReportText());
  dataSize_ = file.DataSize();

  DSBUFFERDESC desc{};
  desc.dwSize = kDsBufferDescSize;
  desc.dwFlags =
      is3D ? DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME
           : DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  if (ddsd_->StickyFocus()) desc.dwFlags |= DSBCAPS_STICKYFOCUS;
  desc.dwBufferBytes = dataSize_;
  desc.lpwfxFormat = &format_;
  IDirectSoundBuffer* buffer = nullptr;
  TDDSDReport& report = ddsd_->Report();
  if (report.CheckResult(ddsd_->DirectSound()->CreateSoundBuffer(&desc, &buffer, nullptr),
                         "サウンドバッファの作成に失敗しました") != 0)
    return;
  buffer->SetLabel(fileName);
  buffer_ = buffer;

  void* audio1 = nullptr;
  void* audio2 = nullptr;
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  if (report.CheckResult(buffer_->Lock(0, dataSize_, &audio1, &bytes1, &audio2, &bytes2, 0),
                         "LoadWAV中に、サウンドバッファのロックが失敗しました") != 0) {
    ReleaseBuffer();  // a buffer that was never filled is no sample
    return;
  }
  // A short read leaves the rest of the buffer silent.
  file.Read(audio1, bytes1);
  if (bytes2 != 0 && audio2 != nullptr) file.Read(audio2, bytes2);
  const bool unlocked =
      report.CheckResult(buffer_->Unlock(audio1, bytes1, audio2, bytes2),
                         "LoadWAV中に、サウンドバッファのアンロックが失敗しました") == 0;
  buffer_->SetFrequency(format_.nSamplesPerSec);
  file.Close();
  // Each channel's duplicate made now, so that a note makes none. Not a DirectSound call:
  // where it cannot be done, a note makes its own, as DirectSound does.
  if (unlocked) buffer_->PrepareDuplicates(ddsd_->ChannelCount());
}

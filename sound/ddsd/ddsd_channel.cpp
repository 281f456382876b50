#include "sound/ddsd/ddsd_channel.h"

#include <cmath>
#include <limits>

#include "sound/ddsd/ddsd_genwave.h"
#include "sound/ddsd/ddsd_report.h"
#include "sound/ddsd/ddsd_wave3d.h"
#include "sound/dsound/dsound.h"

using namespace dsound;

TDDSDChannel::TDDSDChannel(int32_t index, TDDSDReport& report)
    : report_(report),
      label_("channel " + std::to_string(index)),
      params3D_(std::make_unique<TDDSDParams3D>(&report)),
      index_(index) {}

TDDSDChannel::~TDDSDChannel() {
  if (buffer3D_ != nullptr) buffer3D_->Release();
  if (buffer_ != nullptr) buffer_->Release();
}

void TDDSDChannel::setWaveData(TDDSDGenWave* Wave) {
  if (device_ == nullptr) return;
  if (buffer3D_ != nullptr) {
    IDirectSound3DBuffer* old = buffer3D_;
    SetBuffer3D(nullptr);
    report_.CheckResult(static_cast<int32_t>(old->Release()),
                        "setWaveData 3Dサウンドバッファの解放に失敗しました");
  }
  if (buffer_ != nullptr) {
    IDirectSoundBuffer* old = buffer_;
    buffer_ = nullptr;
    report_.CheckResult(static_cast<int32_t>(old->Release()),
                        "setWaveData サウンドバッファの解放に失敗しました");
  }
  // A sample whose file did not load has nothing to copy: the channel stays silent.
  if (Wave == nullptr || Wave->Buffer() == nullptr) return;

  IDirectSoundBuffer* copy = nullptr;
  if (report_.CheckResult(device_->DuplicateSoundBuffer(Wave->Buffer(), &copy),
                          "setWaveData サウンドバッファの複製に失敗しました") != 0)
    return;
  copy->SetLabel(label_);
  buffer_ = copy;

  if (auto* wave3D = dynamic_cast<TDDSDWave3D*>(Wave)) {
    void* interface3D = nullptr;
    if (report_.CheckResult(buffer_->QueryInterface(IID_IDirectSound3DBuffer, &interface3D),
                            "setWaveData 3Dサウンドバッファの作成に失敗しました") == 0) {
      SetBuffer3D(static_cast<IDirectSound3DBuffer*>(interface3D));
      params3D_->Assign(*wave3D->Params3D());
    }
  }
  baseFrequency_ = Wave->Format().nSamplesPerSec;
}

void TDDSDChannel::SetBuffer3D(IDirectSound3DBuffer* buffer3D) {
  buffer3D_ = buffer3D;
  params3D_->setBuffer3D(buffer3D);
}

void TDDSDChannel::SetFrequencyRatio(double Ratio) {
  if (buffer_ == nullptr) return;
  double hertz = std::trunc(static_cast<double>(baseFrequency_) * Ratio);
  // Outside the 32-bit range (or not a number) no device could take it.
  if (!(hertz >= 0.0 && hertz <= static_cast<double>(std::numeric_limits<uint32_t>::max()))) return;
  buffer_->SetFrequency(static_cast<uint32_t>(hertz));
}

void TDDSDChannel::Play() {
  if (buffer_ == nullptr) return;
  buffer_->SetCurrentPosition(0);
  buffer_->Play(0, 0, 0);
}

void TDDSDChannel::Stop() {
  if (buffer_ != nullptr) buffer_->Stop();
}

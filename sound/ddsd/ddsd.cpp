#include "sound/ddsd/ddsd.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>

using namespace dsound;

TDDSD::TDDSD(QObject* owner) : QObject(owner) {
  // No form designer exists here, so the one-per-form check of design mode never applies.
  setDebugOption(dsoHaltOnError);
}

void TDDSD::Loaded() { Initialize(); }

void TDDSD::WatchDeferredReports() {
  if (report_.Signal() < 0 || QCoreApplication::instance() == nullptr) return;
  auto* notifier = new QSocketNotifier(report_.Signal(), QSocketNotifier::Read, this);
  // A report that raises goes to the application's error report, like any handler's.
  connect(notifier, &QSocketNotifier::activated, this, [this] { report_.ReportDeferred(); });
}

void TDDSD::FreeChannels() { channelList_.clear(); }

bool TDDSD::Initialize() {
  FreeChannels();
  channelList_.reserve(channelCount_);
  for (uint32_t i = 0; i < channelCount_; ++i)
    channelList_.push_back(std::make_unique<TDDSDChannel>(static_cast<int32_t>(i), report_));

  HRESULT opened = offlineMixRate_ > 0 ? DirectSoundCreateOffline(offlineMixRate_, &directSound_)
                                       : DirectSoundCreate(nullptr, &directSound_, nullptr);
  if (opened != DS_OK) {
    directSound_ = nullptr;
    available_ = false;
    return false;
  }
  available_ = true;
  for (const std::unique_ptr<TDDSDChannel>& channel : channelList_)
    channel->setDevice(directSound_);
  if (directSound_->IsLive()) WatchDeferredReports();

  report_.CheckResult(directSound_->SetCooperativeLevel(windowHandle_, DSSCL_PRIORITY),
                      "DirectSoundの協調レベルの設定に失敗しました");

  DSBUFFERDESC desc{};
  desc.dwSize = kDsBufferDescSize;
  desc.dwFlags = use3D_ ? DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D : DSBCAPS_PRIMARYBUFFER;
  if (report_.CheckResult(directSound_->CreateSoundBuffer(&desc, &primaryBuffer_, nullptr),
                          "一次バッファの作成に失敗しました") != 0)
    primaryBuffer_ = nullptr;

  if (!use3D_) return true;

  if (primaryBuffer_ != nullptr) {
    void* listener = nullptr;
    if (report_.CheckResult(primaryBuffer_->QueryInterface(IID_IDirectSound3DListener, &listener),
                            "DirectSound3D Listenerの作成に失敗しました") == 0)
      listener3D_ = static_cast<IDirectSound3DListener*>(listener);
  }
  listener_.reset();
  listener_ = std::make_unique<TDDSDListener>(listener3D_, report_);
  return true;
}

void TDDSD::SetPrimaryFormat(int32_t SamplesPerSec, uint16_t BitsPerSample, bool Stereo) {
  if (!available_ || primaryBuffer_ == nullptr) return;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = Stereo ? 2 : 1;
  format.nSamplesPerSec = static_cast<uint32_t>(SamplesPerSec);
  format.wBitsPerSample = BitsPerSample;
  format.nBlockAlign = static_cast<uint16_t>((BitsPerSample / 8) * format.nChannels);
  format.nAvgBytesPerSec = format.nBlockAlign * static_cast<uint32_t>(SamplesPerSec);
  format.cbSize = 0;
  report_.CheckResult(primaryBuffer_->SetFormat(&format),
                      "プライマリ・バッファのフォーマットの設定に失敗しました");
}

TDDSDChannel* TDDSD::Channels(int32_t Index) {
  if (Index >= 0 && static_cast<uint32_t>(Index) < channelCount_ &&
      static_cast<size_t>(Index) < channelList_.size())
    return channelList_[static_cast<size_t>(Index)].get();
  char text[160];
  std::snprintf(text, sizeof text, "チャンネル番号%dは無効です、%d～%dの範囲で指定してください",
                Index, 0, static_cast<int32_t>(channelCount_) - 1);
  report_.ReportAndHalt(text);
  return nullptr;
}

TDDSD::~TDDSD() {
  // A destructor cannot pass a raised report on; the rest of the teardown still runs.
  auto check = [this](ULONG count, const char* text) {
    try {
      report_.CheckResult(static_cast<int32_t>(count), text);
    } catch (const std::exception&) {
    }
  };
  FreeChannels();
  listener_.reset();
  try {
    report_.ReportDeferred();  // what the last pulls met, before the device goes
  } catch (const std::exception&) {
  }
  if (listener3D_ != nullptr)
    check(listener3D_->Release(), "DirectSound3D Listnerの解放に失敗しました");
  listener3D_ = nullptr;
  if (primaryBuffer_ != nullptr)
    check(primaryBuffer_->Release(), "一次バッファの解放に失敗しました");
  primaryBuffer_ = nullptr;
  if (directSound_ != nullptr) check(directSound_->Release(), "DirectSoundの解放に失敗しました");
  directSound_ = nullptr;
  channelList_.shrink_to_fit();
}

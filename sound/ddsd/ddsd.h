// TDDSD: the sound component. It opens the default sound device (or the offline one, when
// asked) when its owner's layout has been built (Loaded), owns a fixed set of playback
// channels (Channels) and reports failures as its own DebugOption says (ddsd_report.h).
// Samples are TDDSDWaveData objects made on it; each channel keeps a duplicate of every
// sample ready, so that voicing a note inside a live device's pull makes nothing.
//
// Failures met inside a live device's pull are reported on the thread the component lives
// on, as soon as its event loop runs (or at the latest when ReportDeferred is called).
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/ddsd/ddsd_channel.h"
#include "sound/ddsd/ddsd_genwave.h"
#include "sound/ddsd/ddsd_listener.h"
#include "sound/ddsd/ddsd_params3d.h"
#include "sound/ddsd/ddsd_report.h"
#include "sound/ddsd/ddsd_wave3d.h"
#include "sound/ddsd/ddsd_wavedata.h"
#include "sound/dsound/dsound.h"

class TDDSD : public QObject {
  Q_OBJECT

 public:
  // Sets ChannelCount 8, StickyFocus True, Use3D False and DebugOption dsoHaltOnError.
  explicit TDDSD(QObject* owner);
  // Frees the channels, then the listener object, then releases the listener interface, the
  // primary buffer and the device.
  ~TDDSD() override;

  TDDSDDebugOption DebugOption() const { return report_.Option(); }
  // How this component, and only this one, reports its failures.
  void setDebugOption(TDDSDDebugOption value) { report_.setOption(value); }
  TDDSDReport& Report() { return report_; }
  bool Use3D() const { return use3D_; }
  void setUse3D(bool value) { use3D_ = value; }
  // Read by Initialize, Channels and the destructor: change it only before Initialize.
  static constexpr uint32_t kDefaultChannelCount = 8;
  uint32_t ChannelCount() const { return channelCount_; }
  void setChannelCount(uint32_t value) { channelCount_ = value; }
  bool StickyFocus() const { return stickyFocus_; }
  void setStickyFocus(bool value) { stickyFocus_ = value; }

  // The owner window the device cooperates with; its owner sets it before Loaded.
  uintptr_t WindowHandle() const { return windowHandle_; }
  void setWindowHandle(uintptr_t value) { windowHandle_ = value; }
  // The device Initialize opens: 0 for the default output device, else the offline device
  // mixing at that many frames per second. Set it before Loaded.
  int32_t OfflineMixRate() const { return offlineMixRate_; }
  void setOfflineMixRate(int32_t value) { offlineMixRate_ = value; }

  // True once a device is open.
  bool Available() const { return available_; }
  // Called by the owner once its layout is built: initializes.
  void Loaded();
  // Builds the channels and opens the device; false when there is no device.
  bool Initialize();
  void SetPrimaryFormat(int32_t SamplesPerSec, uint16_t BitsPerSample, bool Stereo);
  // Channel Index (0 .. ChannelCount - 1); an invalid index is reported and gives null.
  TDDSDChannel* Channels(int32_t Index);
  // Reports here the failures met inside the live device's pulls (ddsd_report.h).
  void ReportDeferred() { report_.ReportDeferred(); }

  dsound::IDirectSound* DirectSound() const { return directSound_; }
  dsound::IDirectSound3DListener* Listener3D() const { return listener3D_; }
  TDDSDListener* Listener() const { return listener_.get(); }

 private:
  void FreeChannels();
  // Has the owner's event loop report the failures of the pulls as they come.
  void WatchDeferredReports();

  TDDSDReport report_;  // first, so that every part can report through it until it goes
  dsound::IDirectSound* directSound_ = nullptr;
  dsound::IDirectSoundBuffer* primaryBuffer_ = nullptr;
  dsound::IDirectSound3DListener* listener3D_ = nullptr;
  std::vector<std::unique_ptr<TDDSDChannel>> channelList_;
  uint32_t channelCount_ = kDefaultChannelCount;
  bool available_ = false;
  bool use3D_ = false;
  std::unique_ptr<TDDSDListener> listener_;
  bool stickyFocus_ = true;
  uintptr_t windowHandle_ = 0;
  int32_t offlineMixRate_ = 0;
};

// The SDL2 live output. SDL's thread calls back for each block and the pull fills it there.
// The control thread of PullingOutput watches the device: after a while of silence it
// releases the device (an open stream costs the program and the sound server CPU even when
// paused) and reopens it on Wake; while there is no device, lost or never found at start,
// it keeps the pull going at the monotonic clock's pace, output discarded, and opens the
// default output as soon as one is there.
#pragma once

#include <atomic>
#include <string>

#include "sound/stream/pulling_output.h"

namespace stream {

class SdlLiveOutput final : public PullingOutput {
 public:
  SdlLiveOutput() = default;
  ~SdlLiveOutput() override;

  bool Start(Pull pull) override;
  void Stop() override;
  void PreferLongBlocks(bool yes) override;

 private:
  static void Fill(void* self, uint8_t* stream, int bytes);

  bool OpenDevice() override;
  void ResumeDevice() override;
  bool DeviceLost() override;
  void CloseDevice() override;
  bool LooksForDevice() const override { return true; }
  bool WantsLongerBlocks() const override;
  bool WantsShorterBlocks() const override;
  uint32_t WantedBlock(int32_t rate) const;
  void SayLost() override;
  void SayBack() override;

  // SDL calls.
  bool InitAudio();
  bool ReinitAudio();
  void QuitAudio();
  bool OpenSdlDevice(int32_t rate, bool mayChangeRate, int32_t* obtained);
  void ReleaseClaim();

  bool started_ = false;
  bool claimed_ = false;
  bool everOpened_ = false;  // the driver is kept from the first device opened on
  bool lost_ = false;
  bool dummy_ = false;  // the user chose SDL's dummy driver
  std::string driver_;
  uint32_t device_ = 0;
  std::atomic<bool> longWanted_{false};
  std::atomic<uint32_t> deviceBlock_{0};  // the open device's frames a block
  bool audioInitialised_ = false;
  bool backendStale_ = false;  // the backend lost its server, or found none: start it afresh
};

}  // namespace stream

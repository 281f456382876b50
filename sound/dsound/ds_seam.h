// A test seam over the DirectSound layer: while a TestSeam lives, it records every
// operation in order and can make chosen operations fail with chosen codes.
//
// Record entries are readable strings:
//   device-level operations by name, with their argument in parentheses where one tells
//   them apart: "DirectSoundCreate", "DirectSoundCreateOffline(44100)" (by its mixing rate),
//   "SetCooperativeLevel", "CreateSoundBuffer(primary)",
//   "CreateSoundBuffer(0x40E2)" (a secondary buffer, by its flags),
//   "DuplicateSoundBuffer(waves/Sound21.wav)" (the label of the buffer copied, or "none");
//   buffer operations as "<label>.<Operation>", with the value for SetFrequency,
//   SetCurrentPosition and SetFormat: "channel 3.SetFrequency(31178)", "channel 3.Play",
//   "channel 5.Stop", "channel 1.Release",
//   "primary.SetFormat(tag=1,ch=2,rate=23160,avg=92640,align=4,bits=16)",
//   "primary.QueryInterface(IDirectSound3DListener)", "waves/Sound1.wav.Lock";
//   the device's own release "DirectSound.Release"; a 3-D buffer as "<label>/3D.<Operation>";
//   the listener as "listener.<Operation>".
// Labels: the primary buffer is "primary"; a new secondary buffer is "buffer" and a
// duplicate starts with its original's label, until SetLabel renames it.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "sound/dsound/ds_types.h"

namespace dsound {

enum class DsOp {
  DirectSoundCreate,
  DirectSoundCreateOffline,
  SetCooperativeLevel,
  CreateSoundBuffer,
  DuplicateSoundBuffer,
  QueryInterface,
  SetFormat,
  Lock,
  Unlock,
  SetFrequency,
  SetCurrentPosition,
  Play,
  Stop,
  GetAllParameters,
  SetAllParameters,
  Release,
};

class TestSeam {
 public:
  TestSeam();
  ~TestSeam();
  TestSeam(const TestSeam&) = delete;
  TestSeam& operator=(const TestSeam&) = delete;

  // Every later call of op on an object with this label (any object when empty) fails with
  // code and does nothing. A failed Release still releases, and returns code as its count.
  void Fail(DsOp op, HRESULT code, std::string label = {});
  void ClearFailures();

  // Read them while no other thread uses the layer.
  const std::vector<std::string>& Calls() const { return calls_; }
  void ClearCalls();

  // The seam in force, or null.
  static TestSeam* Active();

  // Records the call and returns the forced result, or DS_OK to go on.
  HRESULT Intercept(DsOp op, std::string_view label, std::string_view entry);

 private:
  struct Failure {
    DsOp op;
    HRESULT code;
    std::string label;
  };
  std::mutex mutex_;  // devices are used on several threads: a live output's and the window's
  std::vector<Failure> failures_;
  std::vector<std::string> calls_;
  TestSeam* previous_ = nullptr;
};

// The layer's single entry to the seam: free when no seam is installed.
template <typename Describe>
inline HRESULT SeamCheck(DsOp op, std::string_view label, Describe&& describe) {
  TestSeam* seam = TestSeam::Active();
  if (seam == nullptr) return DS_OK;
  return seam->Intercept(op, label, describe());
}

}  // namespace dsound

#include "sound/dsound/dsound.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/sound_test_support.h"

using namespace dsound;
using namespace soundtest;

namespace {

constexpr int kRate = 44100;

// One offline device with a 440 Hz mono sample in a static buffer.
class OfflineDsound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectSoundCreateOffline(kRate, &ds_), DS_OK);
    ASSERT_TRUE(ds_->IsOffline());
    sample_ = MakeSample(SinePcm(440, 22050, 0.5), 22050);
    ASSERT_NE(sample_, nullptr);
  }
  void TearDown() override {
    if (sample_ != nullptr) sample_->Release();
    if (ds_ != nullptr) {
      EXPECT_EQ(ds_->Release(), 0u);
    }
  }

  IDirectSoundBuffer* MakeSample(const std::vector<uint8_t>& pcm, uint32_t rate,
                                 DWORD flags = 0xE2) {
    format_ = {1, 1, rate, rate * 2, 2, 16, 0};
    DSBUFFERDESC desc{kDsBufferDescSize, flags, static_cast<DWORD>(pcm.size()), 0, &format_};
    IDirectSoundBuffer* buffer = nullptr;
    if (ds_->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) return nullptr;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0;
    DWORD n2 = 0;
    EXPECT_EQ(buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, pcm.size());
    EXPECT_EQ(n2, 0u);
    std::memcpy(p1, pcm.data(), pcm.size());
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    buffer->SetFrequency(rate);
    return buffer;
  }

  IDirectSoundBuffer* Duplicate() {
    IDirectSoundBuffer* copy = nullptr;
    EXPECT_EQ(ds_->DuplicateSoundBuffer(sample_, &copy), DS_OK);
    return copy;
  }

  IDirectSound* ds_ = nullptr;
  IDirectSoundBuffer* sample_ = nullptr;
  WAVEFORMATEX format_{};
};

TEST_F(OfflineDsound, DuplicatePlaysTheSharedDataAtItsOwnPitch) {
  IDirectSoundBuffer* copy = Duplicate();
  DWORD status = 99;
  DWORD frequency = 0;
  copy->GetStatus(&status);
  copy->GetFrequency(&frequency);
  EXPECT_EQ(status, 0u);  // starts stopped
  EXPECT_EQ(frequency, 22050u);

  copy->SetFrequency(44100);
  copy->SetCurrentPosition(0);
  copy->Play(0, 0, 0);
  std::vector<float> mix = ds_->RenderOffline(kRate / 5);
  EXPECT_NEAR(PitchByZeroCrossings(Channel(mix, 0), kRate), 880.0, 3.0);
  // Plain buffers are centred.
  EXPECT_NEAR(Rms(Channel(mix, 0)), Rms(Channel(mix, 1)), 1e-6);
  EXPECT_GT(Rms(Channel(mix, 0)), 0.1);

  // The data outlives the buffer it was loaded into while a duplicate holds it.
  EXPECT_EQ(sample_->Release(), 0u);
  sample_ = nullptr;
  mix = ds_->RenderOffline(kRate / 10);
  EXPECT_GT(Rms(Channel(mix, 0)), 0.1);
  EXPECT_EQ(copy->Release(), 0u);
}

TEST_F(OfflineDsound, PlayOnceStopPausesAndRewindRestarts) {
  IDirectSoundBuffer* copy = Duplicate();
  copy->Play(0, 0, 0);
  ds_->RenderOffline(kRate / 10);
  copy->Stop();
  // A stop at once, as read back, though the sound fades out over a few milliseconds.
  DWORD status = DSBSTATUS_PLAYING;
  DWORD stoppedAt = 0;
  copy->GetStatus(&status);
  copy->GetCurrentPosition(&stoppedAt, nullptr);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(stoppedAt, 22050u * 2 / 10);
  std::vector<float> quiet = ds_->RenderOffline(kRate / 10);
  EXPECT_LT(Rms(Channel(quiet, 0, 256)), 1e-4);
  DWORD still = 0;
  copy->GetCurrentPosition(&still, nullptr);
  EXPECT_EQ(still, stoppedAt);  // stopped where it was

  // Played to the end once: silence after half a second, no looping.
  copy->Play(0, 0, 0);
  std::vector<float> rest = ds_->RenderOffline(kRate);
  EXPECT_GT(Rms(Channel(rest, 0, 0, kRate / 4)), 0.1);
  EXPECT_LT(Rms(Channel(rest, 0, kRate / 2)), 1e-4);

  copy->SetCurrentPosition(0);
  copy->Play(0, 0, 0);
  std::vector<float> again = ds_->RenderOffline(kRate / 10);
  EXPECT_GT(Rms(Channel(again, 0)), 0.1);
  copy->Release();
}

TEST_F(OfflineDsound, RefusesWhatDirectSoundRefuses) {
  IDirectSoundBuffer* copy = reinterpret_cast<IDirectSoundBuffer*>(1);
  EXPECT_NE(ds_->DuplicateSoundBuffer(nullptr, &copy), DS_OK);
  EXPECT_EQ(copy, nullptr);

  DSBUFFERDESC primaryDesc{kDsBufferDescSize, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
  EXPECT_NE(ds_->DuplicateSoundBuffer(primary, &copy), DS_OK);
  void* listener = nullptr;
  EXPECT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, &listener), DSERR_NOINTERFACE);

  // The primary format resets the mix to the asked rate.
  WAVEFORMATEX format{1, 2, 23160, 23160 * 4, 4, 16, 0};
  EXPECT_EQ(primary->SetFormat(&format), DS_OK);
  EXPECT_EQ(ds_->MixRate(), 23160);
  EXPECT_EQ(primary->Release(), 0u);

  // Formats the device cannot play, and stereo data in space.
  WAVEFORMATEX adpcm{2, 1, 22050, 11025, 256, 4, 0};
  DSBUFFERDESC desc{kDsBufferDescSize, 0xE2, 1024, 0, &adpcm};
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_BADFORMAT);
  WAVEFORMATEX stereo{1, 2, 22050, 22050 * 4, 4, 16, 0};
  desc = {kDsBufferDescSize, 0xB2, 1024, 0, &stereo};
  EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
  desc = {kDsBufferDescSize, 0xE2, 0, 0, &stereo};
  EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer, nullptr);
}

// A 3-D source to the listener's right is louder on the right: checks the z flip of the
// listener's orientation too, since a front vector taken as is would face backwards and
// swap the sides.
TEST_F(OfflineDsound, ThreeDPlacesSourcesAroundTheListener) {
  DSBUFFERDESC primaryDesc{kDsBufferDescSize, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, 0, 0,
                           nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
  void* l = nullptr;
  ASSERT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, &l), DS_OK);
  auto* listener = static_cast<IDirectSound3DListener*>(l);
  DS3DLISTENER lp{64, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0}, 1, 1, 1};
  ASSERT_EQ(listener->SetAllParameters(&lp, DS3D_IMMEDIATE), DS_OK);

  IDirectSoundBuffer* sound = MakeSample(SinePcm(440, 22050, 0.5), 22050, 0xB2);
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* copy = nullptr;
  ASSERT_EQ(ds_->DuplicateSoundBuffer(sound, &copy), DS_OK);
  void* b = nullptr;
  ASSERT_EQ(copy->QueryInterface(IID_IDirectSound3DBuffer, &b), DS_OK);
  auto* buffer3d = static_cast<IDirectSound3DBuffer*>(b);
  DS3DBUFFER params{};
  buffer3d->GetAllParameters(&params);
  EXPECT_EQ(params.flMinDistance, 1.0f);
  params.vPosition = {3.0f, 0.0f, 1.0f};
  ASSERT_EQ(buffer3d->SetAllParameters(&params, DS3D_IMMEDIATE), DS_OK);
  params.dwSize = 12;
  EXPECT_EQ(buffer3d->SetAllParameters(&params, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);

  copy->Play(0, 0, 0);
  std::vector<float> mix = ds_->RenderOffline(kRate / 10);
  EXPECT_GT(Rms(Channel(mix, 1)), 1.5 * Rms(Channel(mix, 0)));

  // Each interface counts its own references; the object goes with the last.
  EXPECT_EQ(buffer3d->Release(), 0u);
  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
  EXPECT_EQ(listener->Release(), 0u);
  EXPECT_EQ(primary->Release(), 0u);
}

TEST_F(OfflineDsound, SeamRecordsCallsByLabelAndForcesFailures) {
  TestSeam seam;
  IDirectSoundBuffer* copy = Duplicate();
  copy->SetLabel("channel 3");
  seam.Fail(DsOp::Play, DSERR_GENERIC, "channel 3");
  seam.Fail(DsOp::Release, 7, "channel 3");
  copy->SetFrequency(31178);
  EXPECT_EQ(copy->Play(0, 0, 0), DSERR_GENERIC);
  EXPECT_LT(Rms(Channel(ds_->RenderOffline(1024), 0)), 1e-6);  // the forced failure did nothing
  EXPECT_EQ(sample_->Play(0, 0, 0), DS_OK);                    // other labels go on
  sample_->Stop();
  EXPECT_EQ(copy->Release(), 7u);  // released all the same, with the forced count
  EXPECT_EQ(seam.Calls(),
            (std::vector<std::string>{"DuplicateSoundBuffer(buffer)",
                                      "channel 3.SetFrequency(31178)", "channel 3.Play",
                                      "buffer.Play", "buffer.Stop", "channel 3.Release"}));
}

TEST(DirectSoundCreateOffline, OpensAtTheAskedRateOrFailsAsForced) {
  TestSeam seam;
  seam.Fail(DsOp::DirectSoundCreateOffline, DSERR_NODRIVER);
  IDirectSound* ds = nullptr;
  EXPECT_EQ(DirectSoundCreateOffline(44100, &ds), DSERR_NODRIVER);
  seam.ClearFailures();
  EXPECT_EQ(DirectSoundCreateOffline(0, &ds), DSERR_INVALIDPARAM);
  ASSERT_EQ(DirectSoundCreateOffline(32000, &ds), DS_OK);
  EXPECT_TRUE(ds->IsOffline());
  EXPECT_EQ(ds->MixRate(), 32000);
  EXPECT_EQ(ds->Release(), 0u);
  EXPECT_EQ(seam.Calls(), (std::vector<std::string>{
                              "DirectSoundCreateOffline(44100)", "DirectSoundCreateOffline(0)",
                              "DirectSoundCreateOffline(32000)", "DirectSound.Release"}));
}

}  // namespace

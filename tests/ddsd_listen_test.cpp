// The component heard through the offline device.
#include <gtest/gtest.h>

#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"

using namespace dsound;
using namespace soundtest;

namespace {

class DdsdListenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    component_.setDebugOption(dsoExceptOnError);
    component_.setOfflineMixRate(44100);
    component_.Loaded();
    ASSERT_TRUE(component_.Available());
    component_.SetPrimaryFormat(kRate, 16, true);
    wave_ = std::make_unique<TDDSDWaveData>(&component_,
                                            dir_.Write("a440.wav", SineWav(440, 22050, 0.5)));
    ASSERT_NE(wave_->Buffer(), nullptr);
  }
  void TearDown() override { wave_.reset(); }

  std::vector<float> Render(double seconds) {
    return component_.DirectSound()->RenderOffline(static_cast<uint32_t>(seconds * kRate));
  }
  TDDSDChannel* Note(int32_t index, double ratio) {
    TDDSDChannel* channel = component_.Channels(index);
    channel->setWaveData(wave_.get());
    channel->SetFrequencyRatio(ratio);
    channel->Play();
    return channel;
  }

  static constexpr int kRate = 23160;  // the program's primary format
  TempDir dir_;
  TDDSD component_{nullptr};
  std::unique_ptr<TDDSDWaveData> wave_;
};

TEST_F(DdsdListenTest, RatioSetsThePitch) {
  EXPECT_EQ(component_.DirectSound()->MixRate(), kRate);
  Note(1, 1.0);
  EXPECT_NEAR(PitchByZeroCrossings(Channel(Render(0.2), 0), kRate), 440.0, 3.0);
  Note(1, 2.0);
  EXPECT_NEAR(PitchByZeroCrossings(Channel(Render(0.2), 0), kRate), 880.0, 5.0);
}

TEST_F(DdsdListenTest, ChannelsOnOneSamplePlayIndependently) {
  Note(1, 1.0);
  TDDSDChannel* high = Note(2, 2.0);
  double both = Rms(Channel(Render(0.1), 0));
  high->Stop();
  std::vector<float> left = Channel(Render(0.15), 0, 256);
  EXPECT_NEAR(PitchByZeroCrossings(left, kRate), 440.0, 4.0);
  EXPECT_GT(Rms(left), 0.1);
  EXPECT_LT(Rms(left), both);
}

TEST_F(DdsdListenTest, PlayRestartsAndStopSilences) {
  TDDSDChannel* channel = Note(1, 1.0);
  Render(0.4);
  channel->Play();  // half a second long: heard on at 0.7 s only if it started over
  std::vector<float> after = Channel(Render(0.35), 0);
  EXPECT_GT(Rms(std::vector<float>(after.begin() + kRate / 4, after.end())), 0.1);
  channel->Stop();
  EXPECT_LT(Rms(Channel(Render(0.1), 0, 256)), 1e-4);
}

TEST_F(DdsdListenTest, ChannelsWithoutSoundStaySilent) {
  component_.Channels(4)->Play();  // never given a sample
  TDDSDChannel* channel = Note(5, 1.0);
  channel->setWaveData(nullptr);
  channel->Play();
  EXPECT_LT(Rms(Channel(Render(0.1), 0)), 1e-6);
}

}  // namespace

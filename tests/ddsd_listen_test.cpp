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
  // The note that sounded fades out first.
  EXPECT_LT(Rms(Channel(Render(0.1), 0, kRate / 200)), 1e-6);
}

// Ways a note is cut short: the channel stopped, given a new sample and played, played again.
enum class Cut { Stop, NewSample, Restart };

constexpr int kCutRate = 23160;
// The 440 Hz note is near its peak here, where stopping within one sample clicks loudest.
constexpr uint32_t kCutFrame = 2329;

// The left channel of a cut heard on a device of its own, with the old note sounding up to
// the cut or without it. The offline device mixes the same every time, so the difference of
// the two is what is left of the old note after the cut.
std::vector<float> HearCut(Cut cut, bool oldNote) {
  TempDir dir;
  TDDSD component(nullptr);
  component.setDebugOption(dsoExceptOnError);
  component.setOfflineMixRate(kCutRate);
  component.Loaded();
  component.SetPrimaryFormat(kCutRate, 16, true);
  TDDSDWaveData a(&component, dir.Write("a.wav", SineWav(440, 22050, 0.5)));
  TDDSDWaveData b(&component, dir.Write("b.wav", SineWav(660, 22050, 0.5)));
  TDDSDChannel* channel = component.Channels(1);
  if (oldNote) {
    channel->setWaveData(&a);
    channel->Play();
  }
  std::vector<float> mix = component.DirectSound()->RenderOffline(kCutFrame);
  if (cut == Cut::Stop) channel->Stop();
  if (cut == Cut::NewSample) channel->setWaveData(&b);
  if (cut == Cut::Restart && !oldNote) channel->setWaveData(&a);
  if (cut != Cut::Stop) channel->Play();
  std::vector<float> after = component.DirectSound()->RenderOffline(kCutRate / 20);
  mix.insert(mix.end(), after.begin(), after.end());
  return Channel(mix, 0);
}

// A cut note falls silent within 5 ms without a step larger than its own, and what follows
// the cut starts at once (else the difference would hold it too).
TEST(DdsdCut, TheCutNoteFadesOutWithinFiveMillisecondsAndTheNextStartsAtOnce) {
  for (Cut cut : {Cut::Stop, Cut::NewSample, Cut::Restart}) {
    const std::vector<float> with = HearCut(cut, true);
    const std::vector<float> without = HearCut(cut, false);
    ASSERT_EQ(with.size(), without.size());
    float uncut = 0.0f;
    for (size_t n = 1; n < kCutFrame; ++n)
      uncut = std::max(uncut, std::fabs(with[n] - with[n - 1]));
    float step = 0.0f;
    float late = 0.0f;
    float previous = with[kCutFrame - 1];
    for (size_t n = kCutFrame; n < with.size(); ++n) {
      const float left = with[n] - without[n];
      step = std::max(step, std::fabs(left - previous));
      if (n - kCutFrame >= kCutRate / 200) late = std::max(late, std::fabs(left));
      previous = left;
    }
    const int c = static_cast<int>(cut);
    EXPECT_LE(step, uncut) << c;
    EXPECT_LT(late, 1e-5f) << c;
  }
}

}  // namespace

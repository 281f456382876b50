// The live device: OpenAL Soft's loopback device mixed inside the pulls of a live output,
// here an output whose pulls the test makes.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <utility>

#include "sound/dsound/dsound.h"
#include "sound/dsound/inheriting_mutex.h"
#include "sound/dsound/live_output.h"
#include "tests/sound_test_support.h"
#include "tests/support/FakeLiveOutput.h"

using namespace dsound;
using namespace soundtest;

namespace {

constexpr int kRate = 48000;

// A static buffer of mono 16-bit PCM, loaded.
IDirectSoundBuffer* Load(IDirectSound* ds, const std::vector<uint8_t>& pcm, uint32_t rate) {
  WAVEFORMATEX format{1, 1, rate, rate * 2, 2, 16, 0};
  DSBUFFERDESC desc{kDsBufferDescSize, 0xE2, static_cast<DWORD>(pcm.size()), 0, &format};
  IDirectSoundBuffer* buffer = nullptr;
  if (ds->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK) return nullptr;
  void* p = nullptr;
  DWORD n = 0;
  buffer->Lock(0, desc.dwBufferBytes, &p, &n, nullptr, nullptr, 0);
  std::memcpy(p, pcm.data(), pcm.size());
  buffer->Unlock(p, n, nullptr, 0);
  return buffer;
}

// Mono 16-bit PCM of a tone that starts at its crest, so that its first frame is its onset.
std::vector<uint8_t> CrestPcm(double hertz, uint32_t rate, double seconds) {
  std::vector<uint8_t> pcm;
  for (uint32_t i = 0; i < static_cast<uint32_t>(rate * seconds); ++i)
    Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(
                   std::lrint(20000 * std::cos(2 * M_PI * hertz * i / rate)))));
  return pcm;
}

// The first frame of a stereo mix whose left side is not silent.
std::size_t Onset(const std::vector<float>& mix) {
  for (std::size_t i = 0; i < mix.size() / 2; ++i)
    if (std::fabs(mix[2 * i]) > 1e-4f) return i;
  return SIZE_MAX;
}

TEST(LiveDevice, NoOutputIsNoDevice) {
  IDirectSound* ds = nullptr;
  SetLiveOutputFactory(nullptr);
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  SetLiveOutputFactory([] { return std::unique_ptr<LiveOutput>(); });
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  auto state = std::make_shared<TManualOutputState>();
  state->Starts = false;  // no output device behind it
  UseLiveOutput([state] { return std::make_unique<TManualOutput>(state); });
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_TRUE(state->Started);
  EXPECT_EQ(ds, nullptr);
  SetLiveOutputFactory(nullptr);
}

class LiveDsound : public ::testing::Test {
 protected:
  void SetUp() override {
    state_->Rate = kRate;
    state_->PullAtStart = 100;  // the output pulls before the mix is there: silence
    UseLiveOutput([state = state_] { return std::make_unique<TManualOutput>(state); });
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    SetLiveOutputFactory(nullptr);
  }
  void TearDown() override {
    if (ds_ != nullptr) ds_->Release();
  }

  std::shared_ptr<TManualOutputState> state_ = std::make_shared<TManualOutputState>();
  IDirectSound* ds_ = nullptr;
};

TEST_F(LiveDsound, MixesAtTheOutputsRateWhateverThePrimaryFormatAsks) {
  EXPECT_TRUE(ds_->IsLive());
  EXPECT_FALSE(ds_->IsOffline());
  EXPECT_EQ(ds_->MixRate(), kRate);
  DSBUFFERDESC primaryDesc{kDsBufferDescSize, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
  WAVEFORMATEX format{1, 2, 23160, 23160 * 4, 4, 16, 0};
  EXPECT_EQ(primary->SetFormat(&format), DS_OK);
  EXPECT_EQ(ds_->MixRate(), kRate);  // one resampling step, sample to output
  primary->Release();

  // A sample at 24000 Hz at its own rate sounds its own pitch at 48000 Hz.
  IDirectSoundBuffer* tone = Load(ds_, SinePcm(500, 24000, 0.3), 24000);
  ASSERT_NE(tone, nullptr);
  tone->Play(0, 0, 0);
  const std::vector<float> mix = state_->PullAndHear(kRate / 5);
  EXPECT_NEAR(PitchByZeroCrossings(Channel(mix, 0, 1000), kRate), 500.0, 2.0);
  EXPECT_TRUE(ds_->RenderOffline(16).empty());  // the output pulls, nobody else
  tone->Release();
}

TEST_F(LiveDsound, APlayStartsOnTheNextBlockWakesTheOutputAndKeepsItBusyWhileItSounds) {
  IDirectSoundBuffer* tone = Load(ds_, CrestPcm(500, kRate, 0.1), kRate);
  ASSERT_NE(tone, nullptr);
  EXPECT_EQ(Onset(state_->PullBlock(512)), SIZE_MAX);
  EXPECT_FALSE(state_->LastBusy);  // nothing sounds: the output may rest

  const int wakes = state_->Wakes;
  tone->Play(0, 0, 0);
  EXPECT_EQ(state_->Wakes, wakes + 1);
  const std::vector<float> block = state_->PullBlock(512);
  // At the block's first frame, later only by the limiter's look-ahead.
  EXPECT_EQ(Onset(block), static_cast<std::size_t>(ds_->LimiterDelay()));
  EXPECT_TRUE(state_->LastBusy);
  state_->PullAndHear(kRate / 10);
  EXPECT_FALSE(state_->LastBusy);  // played out

  // Heard frames count from the mix's start, less the limiter's delay.
  state_->Heard = 5000;
  EXPECT_EQ(ds_->HeardFrame(), 5000 - 100 - ds_->LimiterDelay());
  EXPECT_EQ(ds_->MixedFrames(), state_->Pulled - 100);
  tone->Release();
}

TEST_F(LiveDsound, ABlockMixerFillsEachBlockInPiecesOnTheMixClock) {
  IDirectSoundBuffer* tone = Load(ds_, CrestPcm(500, kRate, 0.05), kRate);
  ASSERT_NE(tone, nullptr);
  std::vector<int64_t> starts;
  // The window reads the clock while a block is mixed, and must not wait for the block.
  std::future<std::pair<int32_t, int64_t>> clock;
  bool readWhileMixing = false;
  // Plays the tone 300 frames into each block, as a sequencer starts a note on its frame.
  ds_->SetBlockMixer([&](float* out, uint32_t frames) {
    if (!clock.valid()) {
      clock = std::async(std::launch::async,
                         [&] { return std::make_pair(ds_->MixRate(), ds_->HeardFrame()); });
      readWhileMixing = clock.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    }
    starts.push_back(ds_->MixedFrames());
    ds_->Mix(out, 300);
    tone->SetCurrentPosition(0);
    tone->Play(0, 0, 0);
    ds_->Mix(out + 600, frames - 300);
    return true;
  });
  const std::vector<float> block = state_->PullBlock(1024);
  EXPECT_EQ(Onset(block), 300u + static_cast<std::size_t>(ds_->LimiterDelay()));
  EXPECT_TRUE(state_->LastBusy);  // the mixer has more to play
  state_->PullBlock(1024);
  EXPECT_EQ(starts, (std::vector<int64_t>{0, 1024}));
  EXPECT_TRUE(readWhileMixing) << "reading the mix rate waited for the block being mixed";
  EXPECT_EQ(clock.get().first, kRate);

  ds_->SetBlockMixer(nullptr);
  tone->Stop();
  state_->PullAndHear(kRate / 10);
  EXPECT_FALSE(state_->LastBusy);
  tone->Release();
}

TEST_F(LiveDsound, TheOutputStopsWithTheLastUserOfTheDeviceAndIsPulledNoMore) {
  IDirectSoundBuffer* tone = Load(ds_, SinePcm(500, kRate, 0.05), kRate);
  ASSERT_NE(tone, nullptr);
  EXPECT_EQ(ds_->Release(), 0u);
  ds_ = nullptr;
  EXPECT_FALSE(state_->Stopped);  // the buffer still holds the device
  tone->Play(0, 0, 0);
  EXPECT_GT(Rms(Channel(state_->PullBlock(1024), 0)), 0.1);
  tone->Release();
  EXPECT_TRUE(state_->Stopped);
  EXPECT_TRUE(state_->PullBlock(64).empty());
}

// Each device has a lock of its own: while an offline device mixes a block (an export, on
// the window's thread), the live output's pull goes on, and each mixes its own context's
// sources.
TEST_F(LiveDsound, AnotherDeviceMixingNeverHoldsUpAPull) {
  IDirectSound* offline = nullptr;
  ASSERT_EQ(DirectSoundCreateOffline(kRate, &offline), DS_OK);
  IDirectSoundBuffer* liveTone = Load(ds_, CrestPcm(500, kRate, 0.2), kRate);
  IDirectSoundBuffer* offlineTone = Load(offline, CrestPcm(500, kRate, 0.2), kRate);
  ASSERT_TRUE(liveTone != nullptr && offlineTone != nullptr);
  bool pulledMeanwhile = false;
  std::future<std::vector<float>> pull;  // out here, so that a pull kept waiting ends later
  offline->SetBlockMixer([&](float* out, uint32_t frames) {
    pull = std::async(std::launch::async, [&] {
      liveTone->Play(0, 0, 0);
      return state_->PullBlock(512);
    });
    pulledMeanwhile = pull.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    offlineTone->Play(0, 0, 0);
    offline->Mix(out, frames);
    return false;
  });
  const std::vector<float> mixed = offline->RenderOffline(512);
  const std::vector<float> live = pull.get();
  EXPECT_TRUE(pulledMeanwhile) << "the live output's pull waited for another device";
  EXPECT_EQ(Onset(live), static_cast<std::size_t>(ds_->LimiterDelay()));
  EXPECT_EQ(Onset(mixed), 0u);
  offline->SetBlockMixer(nullptr);
  offlineTone->Release();
  liveTone->Release();
  EXPECT_EQ(offline->Release(), 0u);
}

// OpenAL Soft reads its settings once per process, so this runs in a fresh one: a user's
// settings that would change the mix are not heard, the environment is as it was, and
// nothing is left in the temporary folder. The child says the level it heard in its exit
// status; the parent hears the same sound with the program's settings alone.
TEST(MixSettings, AUsersSettingsChangeNothingAndNoFileIsLeft) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A square wave at the mix rate, so that no resampler shapes it.
  std::vector<uint8_t> pcm;
  for (int i = 0; i < 4800; ++i) Put16(pcm, static_cast<uint16_t>((i / 24) % 2 ? 12000 : -12000));
  const auto levelOf = [&pcm] {
    IDirectSound* ds = nullptr;
    if (DirectSoundCreateOffline(kRate, &ds) != DS_OK) return -1;
    IDirectSoundBuffer* square = Load(ds, pcm, kRate);
    square->SetFrequency(kRate - 100);  // resampled a little: the resampler shows
    square->Play(0, 0, 0);
    const double rms = Rms(Channel(ds->RenderOffline(4000), 0, 100));
    square->Release();
    ds->Release();
    return static_cast<int>(std::lround(rms * 500));
  };
  TempDir dir;
  const std::string own = dir.Write("user.conf", {});
  std::ofstream(own) << "[general]\nvolume-adjust=-6\nresampler=point\nhrtf=true\n"
                        "stereo-encoding=uhj\n";
  const std::filesystem::path scratch = dir.path() / "tmp";
  std::filesystem::create_directory(scratch);
  EXPECT_EXIT(
      {
        setenv("ALSOFT_CONF", own.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
        setenv("TMPDIR", scratch.c_str(), 1);
        const int level = levelOf();
        const auto is = [](const char* name, const std::string& value) {
          const char* now = std::getenv(name);
          return now != nullptr && now == value;
        };
        if (!is("ALSOFT_CONF", own) || !is("ALSOFT_DRIVERS", "wave")) std::exit(250);
        if (!std::filesystem::is_empty(scratch)) std::exit(251);
        std::exit(level);
      },
      [&](int status) { return WIFEXITED(status) && WEXITSTATUS(status) == levelOf(); }, "");
}

// The locks the output's thread shares: another thread is kept out while one holds them, a
// recursive one lets its holder in again, and both lend the waiter's priority to the holder.
TEST(InheritingMutex, KeepsOthersOutLetsItsHolderInAgainAndLendsPriority) {
  auto takenElsewhere = [](InheritingMutex& mutex) {
    return std::async(std::launch::async,
                      [&] {
                        if (!mutex.try_lock()) return false;
                        mutex.unlock();
                        return true;
                      })
        .get();
  };
  InheritingMutex plain;
  EXPECT_TRUE(plain.InheritsPriority());
  {
    const std::lock_guard<InheritingMutex> hold(plain);
    EXPECT_FALSE(takenElsewhere(plain));
  }
  EXPECT_TRUE(takenElsewhere(plain));

  InheritingMutex recursive(InheritingMutex::Kind::Recursive);
  EXPECT_TRUE(recursive.InheritsPriority());
  recursive.lock();
  ASSERT_TRUE(recursive.try_lock());
  recursive.unlock();
  EXPECT_FALSE(takenElsewhere(recursive));
  recursive.unlock();
  EXPECT_TRUE(takenElsewhere(recursive));
}

}  // namespace

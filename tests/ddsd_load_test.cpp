// Loading a sample: what the loader refuses of a file, and the device's failures on the way.
#include "sound/ddsd/ddsd.h"
#include "sound/ddsd/ddsd_wavefile.h"
#include "tests/support/DdsdFixture.h"

using namespace dsound;
using namespace soundtest;

namespace {

TEST_F(DdsdComponentTest, LoadWavFailuresCloseTheFileBeforeReporting) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoExceptOnError);
  component.Loaded();
  std::vector<uint8_t> pcm = SinePcm(440, 8000, 0.01);
  struct Case {
    std::vector<uint8_t> bytes;
    const char* message;
  };
  // The fmt chunk declares 18 bytes; the file ends after 16.
  std::vector<uint8_t> shortFmt = Riff({{"fmt ", FmtBytes(1, 8000, 16, 16), 18}});
  std::vector<Case> cases = {
      {Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", pcm}}, "AVI "),
       "は、WAVEファイルではありません"},
      {{'n', 'o', 't', ' ', 'r', 'i', 'f', 'f'}, "は、WAVEファイルではありません"},
      {Riff({{"data", pcm}}), "には、fmtチャンクが有りません"},
      {shortFmt, "のfmtチャンクが不正です"},
      {Riff({{"data", pcm}, {"fmt ", FmtBytes(1, 8000, 16)}}), "には、dataチャンクが有りません"},
  };
  int files = OpenFileCount();
  try {
    TDDSDWaveData missing(&component, (dir_.path() / "gone.wav").string());
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_EQ(std::string(e.what()), (dir_.path() / "gone.wav").string() + "が、見つかりません");
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string name = Wav("bad" + std::to_string(i) + ".wav", cases[i].bytes);
    try {
      TDDSDWaveData wave(&component, name);
      FAIL() << i;
    } catch (const EDDSD& e) {
      EXPECT_EQ(std::string(e.what()), name + cases[i].message);
    }
    EXPECT_EQ(OpenFileCount(), files) << i;
  }

  // The program's setting: a bad file is silent, leaves no sound, and a channel given it
  // stays silent without ending the program.
  component.setDebugOption(dsoHaltOnError);
  TDDSDWaveData empty(&component, (dir_.path() / "gone.wav").string());
  EXPECT_EQ(empty.Buffer(), nullptr);
  TestSeam seam;
  component.Channels(0)->setWaveData(&empty);
  component.Channels(0)->Play();
  EXPECT_TRUE(seam.Calls().empty());
}

// A file no buffer can be made from is a fault of that file: reported with its name like
// the other file faults, and under the program's own option (halt) a silent sample, never
// the end of the program.
TEST_F(DdsdComponentTest, FilesNoBufferTakesAreFaultsOfTheFileNotOfTheDevice) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoExceptOnError);
  component.Loaded();
  const int files = OpenFileCount();
  for (const DamagedWave& damaged : DamagedWaves()) {
    const std::string name = (dir_.path() / "damaged.wav").string();
    WriteDamagedWave(name, damaged);
    const TDDSDWaveFile checked(name, false);
    EXPECT_NE(checked.Cause().find(damaged.cause), std::string::npos)
        << damaged.name << ": " << checked.Cause();
    try {
      TDDSDWaveData wave(&component, name);
      ADD_FAILURE() << damaged.name;
    } catch (const EDDSD& e) {
      EXPECT_EQ(std::string(e.what()), checked.ReportText()) << damaged.name;
      EXPECT_TRUE(std::string(e.what()).starts_with(name)) << damaged.name;
    }
    EXPECT_EQ(OpenFileCount(), files) << damaged.name;

    component.setDebugOption(dsoHaltOnError);
    TestSeam seam;
    TDDSDWaveData silent(&component, name);  // a halt would end this test here
    EXPECT_EQ(silent.Buffer(), nullptr) << damaged.name;
    EXPECT_TRUE(seam.Calls().empty()) << damaged.name << ": the device was asked";
    component.setDebugOption(dsoExceptOnError);
  }
}

// The loader refuses exactly what the device would refuse, so that a refusal of the device
// after the loader's check is never a fault of the file.
TEST_F(DdsdComponentTest, TheFileCheckRefusesWhatTheDeviceRefuses) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption({});
  component.Loaded();
  int refused = 0;
  const uint16_t tags[] = {1, 3}, channelCounts[] = {1, 2, 3}, widths[] = {8, 16, 24};
  for (uint16_t tag : tags)
    for (uint16_t channels : channelCounts)
      for (uint16_t bits : widths)
        for (uint32_t rate : {0u, 99u, 100u, 200000u, 200001u})
          for (size_t bytes : {3u, 4u})
            for (bool is3D : {false, true}) {
              std::vector<uint8_t> fmt = FmtBytes(channels, rate, bits);
              fmt[0] = static_cast<uint8_t>(tag);
              const std::string name =
                  Wav("f.wav", Riff({{"fmt ", fmt}, {"data", std::vector<uint8_t>(bytes, 1)}}));
              const TDDSDWaveFile checked(name, is3D);
              DSBUFFERDESC desc{};
              desc.dwSize = kDsBufferDescSize;
              desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | (is3D ? DSBCAPS_CTRL3D : 0u);
              desc.dwBufferBytes = checked.DataSize();
              WAVEFORMATEX format = checked.Format();
              desc.lpwfxFormat = &format;
              IDirectSoundBuffer* buffer = nullptr;
              const HRESULT made =
                  component.DirectSound()->CreateSoundBuffer(&desc, &buffer, nullptr);
              EXPECT_EQ(checked.Fault() == TDDSDWaveFault::None, made == DS_OK)
                  << "tag " << tag << ", " << channels << " channels, " << bits << " bits, " << rate
                  << " Hz, " << bytes << " bytes" << (is3D ? ", in space" : "");
              refused += made != DS_OK;
              if (buffer != nullptr) buffer->Release();
            }
  EXPECT_GT(refused, 0);
}

TEST_F(DdsdComponentTest, FmtChunksOfEveryLengthAndBufferFlags) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoExceptOnError);
  component.Loaded();
  std::vector<uint8_t> pcm = SinePcm(440, 8000, 0.01);
  TestSeam seam;
  for (size_t length : {16u, 18u, 40u}) {
    std::vector<uint8_t> fmt = FmtBytes(1, 8000, 16, length);
    if (length > 18) fmt[16] = 22;  // cbSize of an extended record, kept as read
    TDDSDWaveData wave(&component, Wav("f.wav", Riff({{"fmt ", fmt}, {"data", pcm}})));
    ASSERT_NE(wave.Buffer(), nullptr) << length;
    EXPECT_EQ(wave.Format().nSamplesPerSec, 8000u);
    EXPECT_EQ(wave.Format().cbSize, length > 18 ? 22 : 0);
    EXPECT_EQ(wave.DataSize(), pcm.size());
  }
  component.setStickyFocus(false);
  TDDSDWaveData plain(&component,
                      Wav("g.wav", Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", pcm}})));
  EXPECT_EQ(std::count(seam.Calls().begin(), seam.Calls().end(), "CreateSoundBuffer(0x40E2)"), 3);
  EXPECT_EQ(std::count(seam.Calls().begin(), seam.Calls().end(), "CreateSoundBuffer(0xE2)"), 1);
}

TEST_F(DdsdComponentTest, DeviceFailuresWhileLoading) {
  std::string name = Wav("a.wav", SineWav(440, 8000, 0.05));
  for (DsOp op : {DsOp::CreateSoundBuffer, DsOp::Lock, DsOp::Unlock}) {
    TDDSD component(nullptr);
    component.setOfflineMixRate(kMixRate);
    component.setDebugOption(dsoExceptOnError);
    component.Loaded();
    TestSeam seam;
    seam.Fail(op, DSERR_GENERIC, op == DsOp::CreateSoundBuffer ? "" : name);
    const char* message = op == DsOp::CreateSoundBuffer ? "サウンドバッファの作成に失敗しました"
                          : op == DsOp::Lock
                              ? "LoadWAV中に、サウンドバッファのロックが失敗しました"
                              : "LoadWAV中に、サウンドバッファのアンロックが失敗しました";
    try {
      TDDSDWaveData wave(&component, name);
      FAIL();
    } catch (const EDDSD& e) {
      EXPECT_EQ(std::string(e.what()), std::string(message) + "(Error Code(80004005))");
    }
    // Options that neither halt nor raise: the sample is left without sound (after a failed
    // create or lock) and nothing touches a missing buffer.
    component.setDebugOption({});
    TDDSDWaveData wave(&component, name);
    EXPECT_EQ(wave.Buffer() == nullptr, op != DsOp::Unlock);
  }
  EXPECT_EXIT(
      {
        TDDSD component(nullptr);
        component.setOfflineMixRate(kMixRate);
        component.Loaded();
        TestSeam seam;
        seam.Fail(DsOp::CreateSoundBuffer, DSERR_OUTOFMEMORY);
        TDDSDWaveData wave(&component, name);
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
}

}  // namespace

#include "sound/ddsd/ddsd.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "sound/ddsd/ddsd_wavefile.h"
#include "tests/sound_test_support.h"

// The component brings neither Qt's widgets nor OpenAL to its users: not through its link
// interface (Qt defines these for what is linked) and not through its headers.
#if defined(QT_WIDGETS_LIB) || defined(QT_GUI_LIB) || defined(AL_AL_H) || defined(AL_ALC_H)
#error "the sound component must not pass Qt Widgets, Qt Gui or OpenAL on to its users"
#endif

using namespace dsound;
using namespace soundtest;

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int OpenFileCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count;
}

// Each test gets its own debug file folder and a counter as at program start.
class DdsdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ddsd::SetDebugFileFolderForTesting(dir_.path());
    ddsd::SetMessageCounterForTesting(0);
  }
  void TearDown() override { ddsd::SetDebugFileFolderForTesting({}); }
  std::string DebugFile() const { return ReadText(dir_.path() / "ddsd.debug"); }
  bool DebugFileExists() const { return std::filesystem::exists(dir_.path() / "ddsd.debug"); }

  TempDir dir_;
};

TEST_F(DdsdTest, CheckResultFormatsTheCodeAsUnsignedHex) {
  ddsd::SetUnitFlags(dsoExceptOnError);
  EXPECT_EQ(CheckResult(0, "never"), 0);
  try {
    CheckResult(5, "five");
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "five(Error Code(5))");
  }
  try {
    CheckResult(static_cast<int32_t>(0x88780064u), "失敗");
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "失敗(Error Code(88780064))");
  }
  ddsd::SetUnitFlags({});
  EXPECT_EQ(CheckResult(-1, "goes on"), -1);
  EXPECT_FALSE(DebugFileExists());
}

TEST_F(DdsdTest, DebugFileIsNumberedAndStartsAfreshEachRun) {
  std::ofstream(dir_.path() / "ddsd.debug") << "left from an earlier run\n";
  ddsd::SetUnitFlags(dsoDebugMessage);
  ReportError("一つ目");
  CheckResult(0x11, "二つ目");
  EXPECT_EQ(DebugFile(), "debug#00001 ... 一つ目\r\ndebug#00002 ... 二つ目(Error Code(11))\r\n");
  ddsd::SetMessageCounterForTesting(99999);
  ReportError("x");
  EXPECT_NE(DebugFile().find("debug#100000 ... x\r\n"), std::string::npos);

  // A file that cannot be written is an error of its own, and counts nothing.
  ddsd::SetDebugFileFolderForTesting(dir_.path() / "missing");
  ddsd::SetMessageCounterForTesting(3);
  EXPECT_THROW(ReportError("y"), std::system_error);
  EXPECT_EQ(ddsd::MessageCounter(), 3);
}

// One failure through CheckResult under each DebugOption.
TEST_F(DdsdTest, DebugOptionsDecideFileRaiseAndHalt) {
  struct Case {
    TDDSDDebugOption option;
    bool line;
    bool raises;
  };
  for (Case c :
       {Case{{}, false, false}, Case{dsoDebugMessage, true, false},
        Case{dsoExceptOnError, false, true}, Case{dsoExceptOnError | dsoHaltOnError, false, true},
        Case{dsoExceptOnError | dsoHaltOnError | dsoDebugMessage, true, true}}) {
    ddsd::SetMessageCounterForTesting(0);
    std::filesystem::remove(dir_.path() / "ddsd.debug");
    TDDSD component(nullptr);
    component.setDebugOption(c.option);
    bool raised = false;
    try {
      CheckResult(1, "fail");
    } catch (const EDDSD&) {
      raised = true;
    }
    EXPECT_EQ(raised, c.raises) << c.option.toInt();
    EXPECT_EQ(DebugFileExists(), c.line) << c.option.toInt();
  }

  EXPECT_EXIT(
      {
        TDDSD component(nullptr);  // the program's setting: halt alone
        CheckResult(1, "fail");
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
  // The death test runs the test again in a process of its own, with a temporary folder of
  // its own; it writes into this process's folder, named to it through the environment
  // (which the rerun inherits and does not overwrite).
  std::filesystem::remove(dir_.path() / "ddsd.debug");
  setenv("POMVIK_HALT_FOLDER", dir_.path().c_str(), 0);
  EXPECT_EXIT(
      {
        TDDSD component(nullptr);
        component.setDebugOption(dsoHaltOnError | dsoDebugMessage);
        ddsd::SetDebugFileFolderForTesting(std::getenv("POMVIK_HALT_FOLDER"));
        ddsd::SetMessageCounterForTesting(0);
        CheckResult(1, "halted");
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
  unsetenv("POMVIK_HALT_FOLDER");
  EXPECT_EQ(DebugFile(), "debug#00001 ... halted(Error Code(1))\r\n");
}
static_assert(kDDSDHaltStatus != 0, "a halted run must never pass for a good one");

// A component on the offline device, with a recording seam.
class DdsdComponentTest : public DdsdTest {
 protected:
  static constexpr int32_t kMixRate = 44100;
  std::string Wav(const std::string& name, const std::vector<uint8_t>& bytes) {
    return dir_.Write(name, bytes);
  }
};

TEST_F(DdsdComponentTest, StartAndEndInOrder) {
  std::string name = (dir_.path() / "a.wav").string();
  TestSeam seam;
  {
    TDDSD component(nullptr);
    component.setOfflineMixRate(kMixRate);
    component.setDebugOption({});
    component.Loaded();
    EXPECT_TRUE(component.Available());
    EXPECT_EQ(component.DebugOption(), TDDSDDebugOption{});
    component.SetPrimaryFormat(23160, 16, true);
    component.SetPrimaryFormat(11025, 8, false);
    TDDSDWaveData wave(&component, Wav("a.wav", SineWav(440, 22050, 0.1)));
    component.Channels(2)->setWaveData(&wave);
    component.Channels(2)->Play();
  }
  EXPECT_EQ(
      seam.Calls(),
      (std::vector<std::string>{
          "DirectSoundCreateOffline(44100)", "SetCooperativeLevel", "CreateSoundBuffer(primary)",
          "primary.SetFormat(tag=1,ch=2,rate=23160,avg=92640,align=4,bits=16)",
          "primary.SetFormat(tag=1,ch=1,rate=11025,avg=11025,align=1,bits=8)",
          "CreateSoundBuffer(0x40E2)", name + ".Lock", name + ".Unlock",
          name + ".SetFrequency(22050)", "DuplicateSoundBuffer(" + name + ")",
          "channel 2.SetCurrentPosition(0)", "channel 2.Play",
          // the sample goes first, then the component: channels, primary, device
          name + ".Release", "channel 2.Release", "primary.Release", "DirectSound.Release"}));
}

TEST_F(DdsdComponentTest, ThreeDStartAndEndInOrder) {
  TestSeam seam;
  {
    TDDSD component(nullptr);
    component.setOfflineMixRate(kMixRate);
    component.setUse3D(true);
    component.Loaded();
    ASSERT_NE(component.Listener(), nullptr);
    const DS3DLISTENER& p = component.Listener()->Params();
    EXPECT_EQ(p.vOrientFront.z, 1.0f);
    EXPECT_EQ(p.vOrientTop.y, 1.0f);
    EXPECT_EQ(p.flRolloffFactor, 1.0f);
    TDDSDWave3D wave(&component, Wav("m.wav", SineWav(440, 22050, 0.1)));
    EXPECT_EQ(wave.Params3D()->Params().flMinDistance, 5.0f);
    EXPECT_EQ(wave.Params3D()->Params().flMaxDistance, 100.0f);
    component.Channels(1)->setWaveData(&wave);
    EXPECT_NE(component.Channels(1)->Buffer3D(), nullptr);
    EXPECT_EQ(component.Channels(1)->Params3D()->Params().flMinDistance, 5.0f);
  }
  std::string name = (dir_.path() / "m.wav").string();
  EXPECT_EQ(
      seam.Calls(),
      (std::vector<std::string>{
          "DirectSoundCreateOffline(44100)", "SetCooperativeLevel", "CreateSoundBuffer(primary)",
          "primary.QueryInterface(IDirectSound3DListener)", "listener.SetAllParameters",
          "CreateSoundBuffer(0x40B2)", name + ".Lock", name + ".Unlock",
          name + ".SetFrequency(22050)", "DuplicateSoundBuffer(" + name + ")",
          "channel 1.QueryInterface(IDirectSound3DBuffer)", "channel 1/3D.SetAllParameters",
          "channel 1/3D.GetAllParameters", name + ".Release", "channel 1/3D.Release",
          "channel 1.Release", "listener.Release", "primary.Release", "DirectSound.Release"}));
}

// Every device failure of the start, of SetPrimaryFormat and of the end, each reported by
// its own text; with the debug file alone nothing stops, so one run writes them all.
TEST_F(DdsdComponentTest, StartAndEndFailuresAreReportedByTheirTexts) {
  auto run = [&](DsOp op, HRESULT code, const char* label) {
    TestSeam seam;
    seam.Fail(op, code, label);
    TDDSD component(nullptr);
    component.setOfflineMixRate(kMixRate);
    component.setUse3D(true);
    component.setDebugOption(dsoDebugMessage);
    component.Loaded();
    component.SetPrimaryFormat(23160, 16, true);
  };
  run(DsOp::SetCooperativeLevel, DSERR_INVALIDPARAM, "");
  run(DsOp::CreateSoundBuffer, DSERR_OUTOFMEMORY, "");
  run(DsOp::QueryInterface, DSERR_NOINTERFACE, "primary");
  run(DsOp::SetAllParameters, DSERR_INVALIDPARAM, "listener");
  run(DsOp::SetFormat, DSERR_BADFORMAT, "primary");
  run(DsOp::Release, 1, "listener");
  run(DsOp::Release, 2, "primary");
  run(DsOp::Release, 3, "DirectSound");
  EXPECT_EQ(DebugFile(),
            "debug#00001 ... DirectSoundの協調レベルの設定に失敗しました(Error Code(80070057))\r\n"
            "debug#00002 ... 一次バッファの作成に失敗しました(Error Code(8007000E))\r\n"
            "debug#00003 ... DirectSound3D Listenerの作成に失敗しました(Error Code(80004002))\r\n"
            "debug#00004 ... Listenerに指定されたパラメータが不適切です(Error Code(80070057))\r\n"
            "debug#00005 ... プライマリ・バッファのフォーマットの設定に失敗しました"
            "(Error Code(88780064))\r\n"
            "debug#00006 ... DirectSound3D Listnerの解放に失敗しました(Error Code(1))\r\n"
            "debug#00007 ... 一次バッファの解放に失敗しました(Error Code(2))\r\n"
            "debug#00008 ... DirectSoundの解放に失敗しました(Error Code(3))\r\n");
}

TEST_F(DdsdComponentTest, NoDeviceMakesEverythingSilent) {
  TestSeam seam;
  seam.Fail(DsOp::DirectSoundCreateOffline, DSERR_NODRIVER);
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoDebugMessage | dsoExceptOnError | dsoHaltOnError);
  EXPECT_FALSE(component.Initialize());
  EXPECT_FALSE(component.Available());
  component.SetPrimaryFormat(23160, 16, true);
  int files = OpenFileCount();
  TDDSDWaveData wave(&component, "no such file.wav");  // not even opened
  EXPECT_EQ(wave.Buffer(), nullptr);
  EXPECT_EQ(OpenFileCount(), files);
  for (int32_t i = 0; i < 8; ++i) {
    TDDSDChannel* channel = component.Channels(i);
    ASSERT_NE(channel, nullptr);
    channel->setWaveData(&wave);
    channel->SetFrequencyRatio(2.0);
    channel->Play();
    channel->Stop();
  }
  EXPECT_EQ(seam.Calls(), std::vector<std::string>{"DirectSoundCreateOffline(44100)"});
  EXPECT_FALSE(DebugFileExists());
}

TEST_F(DdsdComponentTest, InvalidChannelNumbers) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoExceptOnError);
  component.Loaded();
  EXPECT_NE(component.Channels(0), nullptr);
  EXPECT_NE(component.Channels(7), nullptr);
  for (int32_t index : {8, -1}) {
    try {
      component.Channels(index);
      FAIL() << index;
    } catch (const EDDSD& e) {
      EXPECT_EQ(std::string(e.what()), "チャンネル番号" + std::to_string(index) +
                                           "は無効です、0～7の範囲で指定してください");
    }
  }
  component.setDebugOption({});
  EXPECT_EQ(component.Channels(8), nullptr);
  EXPECT_EXIT(
      {
        TDDSD halting(nullptr);
        halting.setOfflineMixRate(kMixRate);
        halting.Loaded();
        halting.Channels(8);
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
}

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

TEST_F(DdsdComponentTest, ChannelOperationsAndTheirRecord) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoExceptOnError);
  component.Loaded();
  std::string name = Wav("s.wav", SineWav(440, 22050, 0.1));
  TDDSDWaveData wave(&component, name);
  TDDSDChannel* channel = component.Channels(3);
  TestSeam seam;
  channel->SetFrequencyRatio(2.0);  // no sample yet: nothing
  channel->Play();
  channel->setWaveData(&wave);
  EXPECT_EQ(channel->BaseFrequency(), 22050u);
  channel->SetFrequencyRatio(1.414);  // 31178.7 is truncated
  channel->Play();
  channel->setWaveData(&wave);  // the same sample again: a fresh duplicate
  channel->Stop();
  channel->setWaveData(nullptr);
  channel->Play();
  EXPECT_EQ(channel->BaseFrequency(), 22050u);
  EXPECT_EQ(seam.Calls(),
            (std::vector<std::string>{
                "DuplicateSoundBuffer(" + name + ")", "channel 3.SetFrequency(31178)",
                "channel 3.SetCurrentPosition(0)", "channel 3.Play", "channel 3.Release",
                "DuplicateSoundBuffer(" + name + ")", "channel 3.Stop", "channel 3.Release"}));

  // A release that leaves a count, and a refused duplicate, are reported.
  channel->setWaveData(&wave);
  seam.Fail(DsOp::Release, 1, "channel 3");
  try {
    channel->setWaveData(&wave);
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "setWaveData サウンドバッファの解放に失敗しました(Error Code(1))");
  }
  seam.Fail(DsOp::DuplicateSoundBuffer, DSERR_INVALIDPARAM);
  try {
    channel->setWaveData(&wave);
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(),
                 "setWaveData サウンドバッファの複製に失敗しました(Error Code(80070057))");
  }
  EXPECT_EQ(channel->Buffer(), nullptr);
}

// The 3-D steps of setWaveData, each failing once; the debug file keeps every report.
TEST_F(DdsdComponentTest, ThreeDChannelFailuresAreReportedByTheirTexts) {
  TDDSD component(nullptr);
  component.setOfflineMixRate(kMixRate);
  component.setDebugOption(dsoDebugMessage);
  component.Loaded();
  TDDSDWave3D wave(&component, Wav("m.wav", SineWav(440, 22050, 0.1)));
  TDDSDChannel* channel = component.Channels(1);
  TestSeam seam;
  seam.Fail(DsOp::QueryInterface, DSERR_NOINTERFACE, "channel 1");
  channel->setWaveData(&wave);
  EXPECT_EQ(channel->Buffer3D(), nullptr);
  seam.ClearFailures();
  seam.Fail(DsOp::SetAllParameters, DSERR_INVALIDPARAM, "channel 1/3D");
  channel->setWaveData(&wave);
  ASSERT_NE(channel->Buffer3D(), nullptr);
  seam.ClearFailures();
  seam.Fail(DsOp::Release, 1, "channel 1/3D");
  channel->setWaveData(nullptr);
  EXPECT_EQ(
      DebugFile(),
      "debug#00001 ... setWaveData 3Dサウンドバッファの作成に失敗しました(Error Code(80004002))\r\n"
      "debug#00002 ... Params3Dに指定されたパラメータが不適切です(Error Code(80070057))\r\n"
      "debug#00003 ... setWaveData 3Dサウンドバッファの解放に失敗しました(Error Code(1))\r\n");
}

}  // namespace

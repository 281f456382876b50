// The sound component on the offline device: its start and end, its channels, and the
// calls they make, as the recording seam shows them.
#include "sound/ddsd/ddsd.h"

#include "tests/support/DdsdFixture.h"

// The component brings neither Qt's widgets nor OpenAL to its users: not through its link
// interface (Qt defines these for what is linked) and not through its headers.
#if defined(QT_WIDGETS_LIB) || defined(QT_GUI_LIB) || defined(AL_AL_H) || defined(AL_ALC_H)
#error "the sound component must not pass Qt Widgets, Qt Gui or OpenAL on to its users"
#endif

using namespace dsound;
using namespace soundtest;

namespace {

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

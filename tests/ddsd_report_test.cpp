// How the component reports failures: the debug file, EDDSD, the halt, each under the
// component's own option, and failures met inside a live device's pull.
#include <poll.h>

#include "sound/ddsd/ddsd.h"
#include "tests/support/DdsdFixture.h"
#include "tests/support/FakeLiveOutput.h"

using namespace dsound;
using namespace soundtest;

namespace {

TEST_F(DdsdTest, CheckResultFormatsTheCodeAsUnsignedHex) {
  TDDSDReport report;
  report.setOption(dsoExceptOnError);
  EXPECT_EQ(report.CheckResult(0, "never"), 0);
  try {
    report.CheckResult(5, "five");
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "five(Error Code(5))");
  }
  try {
    report.CheckResult(static_cast<int32_t>(0x88780064u), "失敗");
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "失敗(Error Code(88780064))");
  }
  report.setOption({});
  EXPECT_EQ(report.CheckResult(-1, "goes on"), -1);
  EXPECT_FALSE(DebugFileExists());
}

TEST_F(DdsdTest, DebugFileIsNumberedAndStartsAfreshEachRun) {
  std::ofstream(dir_.path() / "ddsd.debug") << "left from an earlier run\n";
  TDDSDReport report;
  report.setOption(dsoDebugMessage);
  report.ReportError("一つ目");
  report.CheckResult(0x11, "二つ目");
  EXPECT_EQ(DebugFile(), "debug#00001 ... 一つ目\r\ndebug#00002 ... 二つ目(Error Code(11))\r\n");
  ddsd::SetMessageCounterForTesting(99999);
  report.ReportError("x");
  EXPECT_NE(DebugFile().find("debug#100000 ... x\r\n"), std::string::npos);

  // A file that cannot be written is an error of its own, and counts nothing.
  ddsd::SetDebugFileFolderForTesting(dir_.path() / "missing");
  ddsd::SetMessageCounterForTesting(3);
  EXPECT_THROW(report.ReportError("y"), std::system_error);
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
      component.Report().CheckResult(1, "fail");
    } catch (const EDDSD&) {
      raised = true;
    }
    EXPECT_EQ(raised, c.raises) << c.option.toInt();
    EXPECT_EQ(DebugFileExists(), c.line) << c.option.toInt();
  }

  EXPECT_EXIT(
      {
        TDDSD component(nullptr);  // the program's setting: halt alone
        component.Report().CheckResult(1, "fail");
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
        component.Report().CheckResult(1, "halted");
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
  unsetenv("POMVIK_HALT_FOLDER");
  EXPECT_EQ(DebugFile(), "debug#00001 ... halted(Error Code(1))\r\n");
}
static_assert(kDDSDHaltStatus != 0, "a halted run must never pass for a good one");

// An export makes a component of its own that raises; the window's keeps halting, whichever
// was set last.
TEST_F(DdsdTest, EachComponentKeepsItsOwnOption) {
  TDDSD window(nullptr);
  TDDSD exporting(nullptr);
  exporting.setDebugOption(dsoExceptOnError);
  EXPECT_EQ(window.DebugOption(), TDDSDDebugOption(dsoHaltOnError));
  EXPECT_THROW(exporting.Report().CheckResult(1, "export"), EDDSD);
  EXPECT_EXIT(window.Report().CheckResult(1, "window"), ::testing::ExitedWithCode(kDDSDHaltStatus),
              "");
}

// A live component whose output's pulls the test makes; the block mixer does what a
// sequencer does inside a pull.
class DdsdLiveTest : public DdsdComponentTest {
 protected:
  void SetUp() override {
    DdsdComponentTest::SetUp();
    UseLiveOutput([state = output_] { return std::make_unique<TManualOutput>(state); });
    component_.Loaded();
    SetLiveOutputFactory(nullptr);
    ASSERT_TRUE(component_.Available());
    ASSERT_TRUE(component_.DirectSound()->IsLive());
    wave_ = std::make_unique<TDDSDWaveData>(&component_, Wav("a.wav", SineWav(440, 22050, 0.1)));
  }
  void TearDown() override {
    component_.DirectSound()->SetBlockMixer(nullptr);
    wave_.reset();
    DdsdComponentTest::TearDown();
  }
  // One pull in which a note on channel 1 fails to get its duplicate and channel 9 is asked
  // for; false when the pull itself raised.
  bool PullFailingTwice() {
    bool raised = false;
    component_.DirectSound()->SetBlockMixer([&](float* out, uint32_t frames) {
      try {
        component_.Channels(1)->setWaveData(wave_.get());
        component_.Channels(9);
      } catch (...) {
        raised = true;
      }
      component_.DirectSound()->Mix(out, frames);
      return false;
    });
    TestSeam seam;
    seam.Fail(DsOp::DuplicateSoundBuffer, DSERR_OUTOFMEMORY);
    output_->PullBlock(256);
    component_.DirectSound()->SetBlockMixer(nullptr);
    return !raised;
  }
  bool Signalled() {
    pollfd signal{component_.Report().Signal(), POLLIN, 0};
    return poll(&signal, 1, 0) == 1;
  }

  std::shared_ptr<TManualOutputState> output_ = std::make_shared<TManualOutputState>();
  TDDSD component_{nullptr};
  std::unique_ptr<TDDSDWaveData> wave_;
};

// Inside a pull a failure is recorded only; the component's own thread reports it later, in
// order, as if it had happened there.
TEST_F(DdsdLiveTest, FailuresInsideAPullAreReportedLaterByTheOwner) {
  component_.setDebugOption(dsoDebugMessage | dsoExceptOnError);
  EXPECT_FALSE(Signalled());
  EXPECT_TRUE(PullFailingTwice()) << "a report raised inside the pull";
  EXPECT_FALSE(DebugFileExists()) << "a pull wrote the debug file";
  EXPECT_TRUE(Signalled());
  EXPECT_EQ(component_.Channels(1)->Buffer(), nullptr);

  // One raise at a time; the rest wait.
  try {
    component_.ReportDeferred();
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(),
                 "setWaveData サウンドバッファの複製に失敗しました(Error Code(8007000E))");
  }
  EXPECT_TRUE(Signalled());
  try {
    component_.ReportDeferred();
    FAIL();
  } catch (const EDDSD& e) {
    EXPECT_STREQ(e.what(), "チャンネル番号9は無効です、0～7の範囲で指定してください");
  }
  component_.ReportDeferred();
  EXPECT_FALSE(Signalled());
  EXPECT_EQ(DebugFile(),
            "debug#00001 ... setWaveData サウンドバッファの複製に失敗しました"
            "(Error Code(8007000E))\r\n"
            "debug#00002 ... チャンネル番号9は無効です、0～7の範囲で指定してください\r\n");

  // The program's own option: the pull goes on, the owner ends the program.
  component_.setDebugOption(dsoHaltOnError);
  EXPECT_EXIT(
      {
        if (PullFailingTwice()) std::fprintf(stderr, "the pull returned\n");
        component_.ReportDeferred();
        std::exit(0);
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "the pull returned");
}

}  // namespace

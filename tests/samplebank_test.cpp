#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <span>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/RecoverySlot.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/sound_test_support.h"
#include "tests/support/FormFixture.h"
#include "tests/support/FundamentalEstimator.h"
#include "tests/support/SongTexts.h"

namespace {

constexpr double F4 = 349.23;
constexpr double E5 = 659.26;
constexpr double SampleRate = 44100;

// The window on the offline device, listened to through its mix.
class Listening : public ::testing::Test {
 protected:
  TFormFixture fx{44100};
  TForm1& f = *fx.Form;

  double MixRate() const { return Control<TDDSD>(f, "DDSD1").DirectSound()->MixRate(); }
  std::vector<double> Render(double seconds) const {
    const std::vector<float> mix = Control<TDDSD>(f, "DDSD1")
                                       .DirectSound()
                                       ->RenderOffline(static_cast<uint32_t>(seconds * MixRate()));
    std::vector<double> left(mix.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = mix[2 * i];
    return left;
  }
  // The pitch of what sounds for `seconds`, taken over a steady stretch in its middle.
  double Pitch(double seconds) const {
    const std::vector<double> x = Render(seconds);
    const size_t from = static_cast<size_t>(0.35 * static_cast<double>(x.size()));
    const size_t count = std::min(static_cast<size_t>(0.3 * static_cast<double>(x.size())),
                                  static_cast<size_t>(0.25 * MixRate()));
    return pomvik::test::estimateFundamental(std::span<const double>(x).subspan(from, count),
                                             MixRate(), 60, 2000)
        .hz;
  }
  void Click(int X, int Y) {
    QTest::mouseClick(&Control<TImage>(f, "MainImage"), Qt::LeftButton, Qt::NoModifier,
                      QPoint(X, Y));
  }
};

TEST_F(Listening, TheBankLoadsAndTheDeviceMixesAtTheProgramsRate) {
  EXPECT_TRUE(fx.Shown->empty());  // a sample without a buffer would be named there
  EXPECT_EQ(MixRate(), 23160);
}

TEST_F(Listening, AClickSoundsTheRowsPitch) {
  struct Case {
    int sound, row;
    double base, ratio;
  };
  for (const Case& c : {Case{1, 5, E5, 0.794}, Case{1, 6, F4, 1.414}, Case{13, 7, E5, 0.667},
                        Case{13, 8, F4, 1.123}, Case{3, 1, F4, 2.245}, Case{9, 13, F4, 0.707}}) {
    SoundButton(f, c.sound).click();
    Click(146, 8 * c.row + 32);
    const double expected = c.base * std::trunc(SampleRate * c.ratio) / SampleRate;
    EXPECT_NEAR(Pitch(0.6), expected, expected * 0.003) << "sound " << c.sound << " row " << c.row;
  }
}

TEST_F(Listening, TheWindowFreesItsSamplesBeforeTheComponentGoes) {
  dsound::TestSeam seam;
  fx.Form.reset();
  std::vector<std::string> releases;
  for (const std::string& c : seam.Calls())
    if (c.ends_with(".Release")) releases.push_back(c);
  ASSERT_GE(releases.size(), 30u);
  for (int n = 1; n <= 29; ++n)
    EXPECT_EQ(releases[static_cast<size_t>(n - 1)],
              "waves/Sound" + std::to_string(n) + ".wav.Release");
  EXPECT_EQ(releases.back(), "DirectSound.Release");
}

// A folder holding the sample set less sample 7 (or with a damaged one in its place), made
// the current folder while it lives.
class WithoutSeven {
 public:
  explicit WithoutSeven(const soundtest::DamagedWave* damaged = nullptr) {
    EXPECT_TRUE(dir_.isValid());
    EXPECT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("waves")));
    for (int n = 1; n <= 29; ++n) {
      if (n == 7) continue;
      EXPECT_TRUE(QFile::copy(here_ + QStringLiteral("/waves/Sound%1.wav").arg(n),
                              dir_.path() + QStringLiteral("/waves/Sound%1.wav").arg(n)));
    }
    if (damaged)
      soundtest::WriteDamagedWave((dir_.path() + QStringLiteral("/waves/Sound7.wav")).toStdString(),
                                  *damaged);
    QDir::setCurrent(dir_.path());
  }
  ~WithoutSeven() { QDir::setCurrent(here_); }

 private:
  QTemporaryDir dir_;
  const QString here_ = QDir::currentPath();
};

// A missing sample, and each damaged one that no buffer can be made from: the window
// starts, says so once, names the file and its fault on the standard error, and every
// other sound plays.
TEST(MissingSample, TheProgramSaysSoOnceAndTheOtherSoundsWork) {
  std::vector<soundtest::DamagedWave> cases = soundtest::DamagedWaves();
  cases.insert(cases.begin(), {"missing", {}, "cannot be opened: No such file or directory"});
  for (const soundtest::DamagedWave& c : cases) {
    SCOPED_TRACE(c.name);
    WithoutSeven folder(c.name == "missing" ? nullptr : &c);
    testing::internal::CaptureStderr();
    TFormFixture fx{44100};
    const std::string errors = testing::internal::GetCapturedStderr();
    TForm1& f = *fx.Form;
    EXPECT_NE(errors.find("waves/Sound7.wav: " + c.cause), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Sound8.wav"), std::string::npos) << errors;
    ASSERT_EQ(fx.Shown->size(), 1u);
    EXPECT_EQ((*fx.Shown)[0].Kind, QStringLiteral("error"));
    EXPECT_EQ((*fx.Shown)[0].Text,
              QStringLiteral("サウンドファイルがありません。終了してください。"));

    const auto peak = [&](double seconds) {
      double p = 0;
      for (float v : Control<TDDSD>(f, "DDSD1")
                         .DirectSound()
                         ->RenderOffline(static_cast<uint32_t>(seconds * 23160)))
        p = std::max(p, static_cast<double>(std::abs(v)));
      return p;
    };
    SoundButton(f, 7).click();  // silent, and the program goes on
    EXPECT_EQ(peak(0.3), 0.0);
    SoundButton(f, 8).click();
    EXPECT_GT(peak(0.3), 0.05);
  }
}

// The window without its sound started: as the program makes it, before it shows.
struct TUnstartedForm {
  std::shared_ptr<std::vector<TRecordingPrompter::TShown>> Shown =
      std::make_shared<std::vector<TRecordingPrompter::TShown>>();
  std::unique_ptr<TForm1> Form;
  TUnstartedForm() {
    TestApplication();
    Form = std::make_unique<TForm1>(std::make_unique<TRecordingPrompter>(Shown), 44100);
  }
  TDDSD& Sound() const { return Control<TDDSD>(*Form, "DDSD1"); }
  double Peak(double seconds) const {
    double p = 0;
    for (float v : Sound().DirectSound()->RenderOffline(static_cast<uint32_t>(seconds * 23160)))
      p = std::max(p, static_cast<double>(std::abs(v)));
    return p;
  }
};

// Whether the sound device was open when the score view was first painted.
class TFirstPaintWatch : public QObject {
 public:
  explicit TFirstPaintWatch(const TUnstartedForm& form) : form_(form) {
    Control<TImage>(*form.Form, "MainImage").installEventFilter(this);
  }
  std::optional<bool> SoundAtFirstPaint;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !SoundAtFirstPaint)
      SoundAtFirstPaint = form_.Sound().Available();
    return false;
  }

 private:
  const TUnstartedForm& form_;
};

const TRecordingPrompter::TShown MissingSounds{
    QStringLiteral("error"), QStringLiteral("samplebank_test"),
    QStringLiteral("サウンドファイルがありません。終了してください。")};

// The device and the samples wait for the window's first paint; the missing sample is then
// said once, however often the window shows again.
TEST(SoundStart, ComesAfterTheFirstPaintAndSaysOnceWhatIsMissing) {
  WithoutSeven folder;
  TUnstartedForm fx;
  TFirstPaintWatch watch(fx);
  EXPECT_FALSE(fx.Sound().Available());
  fx.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fx.Form.get()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return fx.Sound().Available(); }, 5000));
  EXPECT_EQ(watch.SoundAtFirstPaint, std::optional<bool>(false));
  EXPECT_EQ(*fx.Shown, std::vector{MissingSounds});
  fx.Form->hide();
  fx.Form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(fx.Form.get()));
  QCoreApplication::processEvents();
  EXPECT_EQ(*fx.Shown, std::vector{MissingSounds});
  SoundButton(*fx.Form, 8).click();
  EXPECT_GT(fx.Peak(0.3), 0.05);
}

// A press or a key that comes before the first paint starts the sound before it is handled,
// so that what it plays is heard, not lost.
TEST(SoundStart, InputBeforeTheFirstPaintStartsItAndIsHeard) {
  TUnstartedForm fx;
  QTest::mouseClick(&Control<TToolButton>(*fx.Form, "SoundBtn8"), Qt::LeftButton);
  EXPECT_TRUE(fx.Sound().Available());
  EXPECT_GT(fx.Peak(0.3), 0.05) << "the palette's sound";
  QTest::mouseClick(&Control<TImage>(*fx.Form, "MainImage"), Qt::LeftButton, Qt::NoModifier,
                    QPoint(146, 8 * 9 + 32));
  EXPECT_EQ(fx.Form->Song().Score[9][3], 8);
  EXPECT_GT(fx.Peak(0.3), 0.05) << "the note placed";
  EXPECT_TRUE(fx.Shown->empty());

  TUnstartedForm keyed;
  QTest::keyClick(keyed.Form.get(), Qt::Key_Right);
  EXPECT_TRUE(keyed.Sound().Available());
}

// What the start asks or says of a song left by a crash, or of a song named on the command
// line, comes after the start's own message, as it did when the samples loaded with the
// window.
TEST(SoundStart, ItsMessageComesBeforeTheRecoveryQuestionAndTheSongsOwn) {
  WithoutSeven folder;
  QTemporaryDir state;
  const QByteArray savedState = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", state.path().toUtf8());
  TRecoverySlot::Create(std::filesystem::path(state.path().toStdString()) / "pomviksequencer")
      .Write(kWorkedExampleText);
  TUnstartedForm fx;
  fx.Form->StartRecovery();
  ASSERT_EQ(fx.Shown->size(), 2u);
  EXPECT_EQ((*fx.Shown)[0], MissingSounds);
  EXPECT_EQ((*fx.Shown)[1].Kind, QStringLiteral("recovery"));
  qputenv("XDG_STATE_HOME", savedState);

  QFile bad(state.filePath(QStringLiteral("bad.psq")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("SCORE=0Z\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\n");
  bad.close();
  TUnstartedForm opened;
  opened.Form->OpenFromCommandLine(bad.fileName());
  ASSERT_EQ(opened.Shown->size(), 2u);
  EXPECT_EQ((*opened.Shown)[0], MissingSounds);
  EXPECT_EQ((*opened.Shown)[1].Text, QStringLiteral("データが不正です"));
}

}  // namespace

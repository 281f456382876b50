#include "core/SampleBank.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <span>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/ColumnVoicing.h"
#include "sound/ddsd.h"
#include "sound/ds_offline.h"
#include "sound/ds_seam.h"
#include "tests/support/FormFixture.h"
#include "tests/support/FundamentalEstimator.h"

namespace {

constexpr double F4 = 349.23;
constexpr double E5 = 659.26;
constexpr double SampleRate = 44100;

// The window on the offline device, listened to through its mix.
class Listening : public ::testing::Test {
 protected:
  dsound::ScopedOfflineDevice offline{44100};
  TFormFixture fx;
  TForm1& f = *fx.Form;

  double MixRate() const { return f.DDSD1->DirectSound()->MixRate(); }
  std::vector<double> Render(double seconds) const {
    const std::vector<float> mix =
        f.DDSD1->DirectSound()->RenderOffline(static_cast<uint32_t>(seconds * MixRate()));
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
  double Peak(double seconds) const {
    double peak = 0;
    for (double v : Render(seconds)) peak = std::max(peak, std::abs(v));
    return peak;
  }
  double Length(int wave) const {
    return f.WaveBank[static_cast<size_t>(wave)]->DataSize() / 2.0 / SampleRate;
  }
  void Click(int X, int Y) {
    QTest::mouseClick(f.MainImage, Qt::LeftButton, Qt::NoModifier, QPoint(X, Y));
  }
};

TEST_F(Listening, TheBankLoadsAndTheDeviceMixesAtTheProgramsRate) {
  EXPECT_TRUE(fx.Shown->empty());
  EXPECT_EQ(MixRate(), 23160);
  for (int n = 1; n <= 29; ++n) {
    ASSERT_NE(f.WaveBank[static_cast<size_t>(n)], nullptr);
    EXPECT_NE(f.WaveBank[static_cast<size_t>(n)]->Buffer(), nullptr) << n;
  }
}

TEST_F(Listening, EveryNoteSoundsF4AndEveryAlternateE5AtItsOwnRate) {
  TDDSDChannel* channel = f.DDSD1->Channels(0);
  for (int n :
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 21, 22, 23, 24, 25, 26, 27, 28, 29}) {
    channel->Stop();
    Render(0.05);  // let the stop take effect
    channel->setWaveData(f.WaveBank[static_cast<size_t>(n)].get());
    channel->SetFrequencyRatio(1.0);
    channel->Play();
    const double expected = n <= 15 ? F4 : E5;
    EXPECT_NEAR(Pitch(Length(n)), expected, expected * 0.003) << "sound " << n;
  }
}

TEST_F(Listening, AClickSoundsTheRowsPitch) {
  struct Case {
    int sound, row;
    double base, ratio;
  };
  for (const Case& c : {Case{1, 5, E5, 0.794}, Case{1, 6, F4, 1.414}, Case{13, 7, E5, 0.667},
                        Case{13, 8, F4, 1.123}, Case{3, 1, F4, 2.245}, Case{9, 13, F4, 0.707}}) {
    f.SoundButtons[static_cast<size_t>(c.sound)]->click();
    Click(146, 8 * c.row + 32);
    const double expected = c.base * std::trunc(SampleRate * c.ratio) / SampleRate;
    EXPECT_NEAR(Pitch(0.6), expected, expected * 0.003) << "sound " << c.sound << " row " << c.row;
  }
}

// Every device call of the window, to check the order of column voicing.
class Voicing : public Listening {
 protected:
  dsound::TestSeam seam;
  int32_t PlayColumn = 0;

  void Voice(int column) {
    PlayColumn = column;
    VoiceColumn({f.Song, f.WaveBank, f.RowPitch, f.AltRowPitch, *f.DDSD1}, PlayColumn);
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const std::string& c : seam.Calls())
      if (c.rfind("channel", 0) == 0 || c.rfind("Duplicate", 0) == 0) out.push_back(c);
    return out;
  }
};

std::string Freq(int channel, double ratio) {
  return "channel " + std::to_string(channel) + ".SetFrequency(" +
         std::to_string(static_cast<uint32_t>(SampleRate * ratio)) + ")";
}
std::string On(int channel, const char* op) {
  return "channel " + std::to_string(channel) + "." + op;
}

TEST_F(Voicing, AColumnSetsUpItsBankThenSilencesTheOtherAndStartsTogether) {
  for (int row : {2, 6, 10}) f.Song.Score[static_cast<size_t>(row)][8] = 7;
  Voice(8);  // channels 5..7 now ring
  f.Song.Score[3][7] = 1;
  f.Song.Score[10][7] = 9;
  seam.ClearCalls();
  Voice(7);
  EXPECT_EQ(PlayColumn, 8);
  const std::vector<std::string> expected = {"DuplicateSoundBuffer(waves/Sound21.wav)",
                                             Freq(1, 1.0),
                                             "DuplicateSoundBuffer(waves/Sound9.wav)",
                                             Freq(2, 0.944),
                                             On(5, "Stop"),
                                             On(6, "Stop"),
                                             On(7, "Stop"),
                                             On(1, "SetCurrentPosition(0)"),
                                             On(1, "Play"),
                                             On(2, "SetCurrentPosition(0)"),
                                             On(2, "Play")};
  EXPECT_EQ(Calls(), expected);
}

TEST_F(Voicing, AnEmptyColumnOnlyMovesOn) {
  f.Song.Score[4][1] = 2;
  Voice(1);
  seam.ClearCalls();
  Voice(2);
  EXPECT_EQ(PlayColumn, 3);
  EXPECT_TRUE(seam.Calls().empty());
}

TEST_F(Voicing, OneNoteReplacesOnlyTheFirstChannelOfItsBank) {
  for (int row : {1, 5, 9}) f.Song.Score[static_cast<size_t>(row)][9] = 3;
  for (int row : {2, 4, 6}) f.Song.Score[static_cast<size_t>(row)][10] = 10;
  f.Song.Score[12][11] = 8;
  Voice(9);
  Voice(10);
  seam.ClearCalls();
  Voice(11);
  const std::vector<std::string> expected = {On(1, "Release"),
                                             "DuplicateSoundBuffer(waves/Sound8.wav)",
                                             Freq(1, 0.749),
                                             On(5, "Stop"),
                                             On(6, "Stop"),
                                             On(7, "Stop"),
                                             On(1, "SetCurrentPosition(0)"),
                                             On(1, "Play")};
  EXPECT_EQ(Calls(), expected);  // channels 2 and 3 ring on untouched
}

TEST_F(Voicing, AnEvenColumnTakesTheSecondBankTopmostNoteFirst) {
  for (int row : {1, 5, 9}) f.Song.Score[static_cast<size_t>(row)][3] = 3;
  Voice(3);  // channels 1..3 now ring
  f.Song.Score[12][4] = 5;
  f.Song.Score[3][4] = 6;
  seam.ClearCalls();
  Voice(4);
  const std::vector<std::string> expected = {"DuplicateSoundBuffer(waves/Sound24.wav)",  // row 3
                                             Freq(5, 1.0),
                                             "DuplicateSoundBuffer(waves/Sound5.wav)",
                                             Freq(6, 0.749),
                                             On(1, "Stop"),
                                             On(2, "Stop"),
                                             On(3, "Stop"),
                                             On(5, "SetCurrentPosition(0)"),
                                             On(5, "Play"),
                                             On(6, "SetCurrentPosition(0)"),
                                             On(6, "Play")};
  EXPECT_EQ(Calls(), expected);
}

TEST_F(Voicing, TheWindowFreesItsSamplesBeforeTheComponentGoes) {
  seam.ClearCalls();
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

// A folder holding the sample set less sample 7, made the current folder while it lives.
class WithoutSeven {
 public:
  WithoutSeven() {
    EXPECT_TRUE(dir_.isValid());
    EXPECT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("waves")));
    for (int n = 1; n <= 29; ++n) {
      if (n == 7) continue;
      EXPECT_TRUE(QFile::copy(here_ + QStringLiteral("/waves/Sound%1.wav").arg(n),
                              dir_.path() + QStringLiteral("/waves/Sound%1.wav").arg(n)));
    }
    QDir::setCurrent(dir_.path());
  }
  ~WithoutSeven() { QDir::setCurrent(here_); }

 private:
  QTemporaryDir dir_;
  const QString here_ = QDir::currentPath();
};

TEST(MissingSample, LoadingStopsAtTheFirstSampleThatRaises) {
  dsound::ScopedOfflineDevice offline(44100);
  WithoutSeven folder;
  TDDSD ddsd(nullptr);
  ddsd.setDebugOption(dsoExceptOnError);
  ddsd.Loaded();
  ASSERT_TRUE(ddsd.Available());
  TWaveBank bank;
  EXPECT_FALSE(FillWaveBank(bank, ddsd));
  for (int n = 1; n <= 29; ++n)
    EXPECT_EQ(bank[static_cast<size_t>(n)] != nullptr, n < 7) << "sample " << n;
  EXPECT_NE(bank[6]->Buffer(), nullptr);
  EXPECT_FALSE(WaveBankComplete(bank, ddsd));
  FreeWaveBank(bank);
  ddsd.setDebugOption(dsoHaltOnError);
}

TEST(MissingSample, TheProgramSaysSoOnceAndTheOtherSoundsWork) {
  dsound::ScopedOfflineDevice offline(44100);
  WithoutSeven folder;
  {
    TFormFixture fx;
    TForm1& f = *fx.Form;
    ASSERT_EQ(fx.Shown->size(), 1u);
    EXPECT_EQ((*fx.Shown)[0].Kind, QStringLiteral("error"));
    EXPECT_EQ((*fx.Shown)[0].Text,
              QStringLiteral("サウンドファイルがありません。終了してください。"));
    EXPECT_EQ(f.WaveBank[7]->Buffer(), nullptr);

    const auto peak = [&](double seconds) {
      double p = 0;
      for (float v : f.DDSD1->DirectSound()->RenderOffline(static_cast<uint32_t>(seconds * 23160)))
        p = std::max(p, static_cast<double>(std::abs(v)));
      return p;
    };
    f.SoundButtons[7]->click();  // silent, and the program goes on
    EXPECT_EQ(peak(0.3), 0.0);
    f.SoundButtons[8]->click();
    EXPECT_GT(peak(0.3), 0.05);
    f.Song.Score[9][1] = 7;
    f.Song.ColumnNoteCount[1] = 1;
    int32_t column = 1;
    VoiceColumn({f.Song, f.WaveBank, f.RowPitch, f.AltRowPitch, *f.DDSD1}, column);
    EXPECT_EQ(column, 2);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/FormFixture.h"

namespace {

// The window on a live device, with every device call recorded.
class Editing : public ::testing::Test {
 protected:
  dsound::TestSeam seam;
  soundtest::TManualDevice device;
  TFormFixture fx;
  TForm1& f = *fx.Form;

  void SetUp() override {
    ASSERT_TRUE(f.DDSD1->Available());
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    seam.ClearCalls();
  }
  void Click(int X, int Y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(f.MainImage, button, Qt::NoModifier, QPoint(X, Y));
  }
  void Select(int sound) { f.SoundButtons[static_cast<size_t>(sound)]->click(); }
  // The recorded calls that make a sound: duplicates, frequencies, stops and plays.
  std::vector<std::string> Sounding() const {
    std::vector<std::string> out;
    for (const std::string& c : seam.Calls())
      if (c.find("Duplicate") != std::string::npos || c.find("SetFrequency") != std::string::npos ||
          c.ends_with(".Stop") || c.ends_with(".Play"))
        out.push_back(c);
    return out;
  }
  int CountNotes() const {
    int n = 0;
    for (const auto& row : f.Song().Score)
      n +=
          static_cast<int>(std::count_if(row.begin(), row.end(), [](int32_t v) { return v != 0; }));
    return n;
  }
};

std::string Freq(int channel, double ratio) {
  return "channel " + std::to_string(channel) + ".SetFrequency(" +
         std::to_string(static_cast<uint32_t>(44100u * ratio)) + ")";
}

TEST_F(Editing, AClickEditsTheCellUnderThePointerAndIsHeardOnChannelZero) {
  Select(4);
  Click(65, 40);   // column 0
  Click(66, 140);  // row 14
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_FALSE(f.Document().Modified());

  seam.ClearCalls();
  Click(99, 44);  // 1.5 rounds to row 2, column 2
  EXPECT_EQ(f.Song().Score[2][2], 4);
  EXPECT_EQ(f.Song().ColumnNoteCount[2], 1);
  EXPECT_TRUE(f.Document().Modified());
  const std::vector<std::string> expected = {"channel 0.Stop",
                                             "DuplicateSoundBuffer(waves/Sound22.wav)",
                                             Freq(0, 1.059), "channel 0.Play"};
  EXPECT_EQ(Sounding(), expected);

  // The end-marker tool at the far right.
  f.ScrollBar->setValue(2780);
  Select(16);
  Click(358, 80);
  EXPECT_EQ(f.Song().EndColumn, 97);
}

TEST_F(Editing, EraserClearsNotesAndIsHeardOnlyThen) {
  Select(2);
  Click(82, 72);
  f.EraserBtn->click();
  EXPECT_TRUE(f.EraserBtn->isChecked());
  EXPECT_EQ(f.SelectedSound, 17);
  EXPECT_EQ(f.EraserBtn->ImageIndex(), 1);
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(f.SoundButtons[static_cast<size_t>(n)]->isChecked());

  seam.ClearCalls();
  Click(82, 80);  // an empty cell: nothing at all
  EXPECT_TRUE(Sounding().empty());
  f.Document().Saved();
  Click(82, 72);
  EXPECT_EQ(f.Song().Score[5][1], 0);
  EXPECT_EQ(f.Song().ColumnNoteCount[1], 0);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(Sounding().front(), "DuplicateSoundBuffer(waves/Sound20.wav)");

  // Choosing a sound pops the eraser up and plays the sound at its own rate.
  seam.ClearCalls();
  Select(7);
  EXPECT_FALSE(f.EraserBtn->isChecked());
  EXPECT_EQ(f.EraserBtn->ImageIndex(), 0);
  EXPECT_EQ(f.SelectedSound, 7);
  const std::vector<std::string> palette = {"DuplicateSoundBuffer(waves/Sound7.wav)",
                                            "channel 0.Stop", "channel 0.Play"};
  EXPECT_EQ(Sounding(), palette);

  // Releasing the eraser always comes back to sound 1.
  f.EraserBtn->click();
  f.EraserBtn->click();
  EXPECT_EQ(f.SelectedSound, 1);
  EXPECT_TRUE(f.SoundButtons[1]->isChecked());
  EXPECT_EQ(f.EraserBtn->ImageIndex(), 0);
}

// The right button erases, so on an empty cell it does nothing either.
TEST_F(Editing, OtherButtonsOnEmptyCellsAndClicksDuringPlaybackAreIgnored) {
  Select(3);
  seam.ClearCalls();
  Click(82, 40, Qt::RightButton);
  Click(82, 40, Qt::MiddleButton);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  f.PlayBtn->click();
  Click(82, 40);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  EXPECT_FALSE(f.Document().Modified());
}

TEST_F(Editing, PaletteChoosesAndPlaysTheSound) {
  Select(16);
  EXPECT_EQ(f.SelectedSound, 16);
  EXPECT_EQ(Sounding().front(), "DuplicateSoundBuffer(waves/Sound16.wav)");
  seam.ClearCalls();
  Select(16);  // again: played again
  EXPECT_EQ(Sounding().size(), 3u);
  for (int n = 1; n <= 16; ++n)
    EXPECT_EQ(f.SoundButtons[static_cast<size_t>(n)]->isChecked(), n == 16);
}

TEST_F(Editing, TimeSignatureButtonsSwitchPicturesAndMarkTheSong) {
  f.TimeBtn34->click();
  EXPECT_TRUE(f.TimeBtn34->isChecked());
  EXPECT_FALSE(f.TimeBtn44->isChecked());
  EXPECT_EQ(f.TimeBtn34->ImageIndex(), 3);
  EXPECT_EQ(f.TimeBtn44->ImageIndex(), 4);
  EXPECT_TRUE(f.Document().Modified());
  f.Document().Saved();
  f.TimeBtn34->click();  // already down: nothing changes, so nothing is left to save
  EXPECT_FALSE(f.Document().Modified());
  f.TimeBtn44->click();
  EXPECT_EQ(f.TimeBtn34->ImageIndex(), 2);
  EXPECT_EQ(f.TimeBtn44->ImageIndex(), 5);
}

TEST_F(Editing, SpareButtonsOnlySwapTheirPictures) {
  f.etcBtn2->setChecked(true);
  f.etcBtn2Click();
  EXPECT_EQ(f.etcBtn2->ImageIndex(), 9);
  f.etcBtn1->setChecked(true);
  f.etcBtn1Click();
  EXPECT_EQ(f.etcBtn1->ImageIndex(), 7);
  EXPECT_FALSE(f.etcBtn2->isChecked());
  EXPECT_EQ(f.etcBtn2->ImageIndex(), 8);
  EXPECT_EQ(f.etcBtn3->ImageIndex(), 10);
  f.etcBtn1->setChecked(false);
  f.etcBtn1Click();
  EXPECT_EQ(f.etcBtn1->ImageIndex(), 6);
  f.UndoBtnMouseDown();
  EXPECT_EQ(f.UndoBtn->ImageIndex(), 13);
  f.UndoBtnMouseUp();
  EXPECT_EQ(f.UndoBtn->ImageIndex(), 12);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_FALSE(f.Document().Modified());
}

TEST_F(Editing, PointerMovementRedrawsWithThePreview) {
  const QImage before = f.MainImage->Picture();
  QTest::mouseMove(f.MainImage, QPoint(200, 80));
  EXPECT_NE(f.MainImage->Picture(), before);
  f.PlayBtn->click();
  const QImage still = f.MainImage->Picture();
  QTest::mouseMove(f.MainImage, QPoint(150, 60));
  EXPECT_EQ(f.MainImage->Picture(), still);
}

}  // namespace

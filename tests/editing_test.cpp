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
  const TFormControls c = FindControls(f);

  void SetUp() override {
    ASSERT_TRUE(c.DDSD1->Available());
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    seam.ClearCalls();
  }
  void Click(int X, int Y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(c.MainImage, button, Qt::NoModifier, QPoint(X, Y));
  }
  void Select(int sound) { SoundButton(f, sound).click(); }
  // The recorded calls that make a sound: duplicates, frequencies, stops and plays.
  std::vector<std::string> Sounding() const {
    std::vector<std::string> out;
    for (const std::string& call : seam.Calls())
      if (call.find("Duplicate") != std::string::npos ||
          call.find("SetFrequency") != std::string::npos || call.ends_with(".Stop") ||
          call.ends_with(".Play"))
        out.push_back(call);
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
  c.ScrollBar->setValue(2780);
  Select(16);
  Click(358, 80);
  EXPECT_EQ(f.Song().EndColumn, 97);
}

TEST_F(Editing, EraserClearsNotesAndIsHeardOnlyThen) {
  Select(2);
  Click(82, 72);
  c.EraserBtn->click();
  EXPECT_TRUE(c.EraserBtn->isChecked());
  EXPECT_EQ(ChosenTool(f), 17);
  EXPECT_EQ(c.EraserBtn->ImageIndex(), 1);
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(SoundButton(f, n).isChecked());

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
  EXPECT_FALSE(c.EraserBtn->isChecked());
  EXPECT_EQ(c.EraserBtn->ImageIndex(), 0);
  EXPECT_EQ(ChosenTool(f), 7);
  const std::vector<std::string> palette = {"DuplicateSoundBuffer(waves/Sound7.wav)",
                                            "channel 0.Stop", "channel 0.Play"};
  EXPECT_EQ(Sounding(), palette);

  // Releasing the eraser always comes back to sound 1.
  c.EraserBtn->click();
  c.EraserBtn->click();
  EXPECT_EQ(ChosenTool(f), 1);
  EXPECT_TRUE(SoundButton(f, 1).isChecked());
  EXPECT_EQ(c.EraserBtn->ImageIndex(), 0);
  Click(82, 80);  // and sound 1 is what a click places
  EXPECT_EQ(f.Song().Score[6][1], 1);
}

// The right button erases, so on an empty cell it does nothing either.
TEST_F(Editing, OtherButtonsOnEmptyCellsAndClicksDuringPlaybackAreIgnored) {
  Select(3);
  seam.ClearCalls();
  Click(82, 40, Qt::RightButton);
  Click(82, 40, Qt::MiddleButton);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  c.PlayBtn->click();
  Click(82, 40);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  EXPECT_FALSE(f.Document().Modified());
}

TEST_F(Editing, PaletteChoosesAndPlaysTheSound) {
  Select(16);
  EXPECT_EQ(ChosenTool(f), 16);
  EXPECT_EQ(Sounding().front(), "DuplicateSoundBuffer(waves/Sound16.wav)");
  seam.ClearCalls();
  Select(16);  // again: played again
  EXPECT_EQ(Sounding().size(), 3u);
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(SoundButton(f, n).isChecked(), n == 16);
}

TEST_F(Editing, TimeSignatureButtonsSwitchPicturesAndMarkTheSong) {
  c.TimeBtn34->click();
  EXPECT_TRUE(c.TimeBtn34->isChecked());
  EXPECT_FALSE(c.TimeBtn44->isChecked());
  EXPECT_EQ(c.TimeBtn34->ImageIndex(), 3);
  EXPECT_EQ(c.TimeBtn44->ImageIndex(), 4);
  EXPECT_TRUE(f.Document().Modified());
  f.Document().Saved();
  c.TimeBtn34->click();  // already down: nothing changes, so nothing is left to save
  EXPECT_FALSE(f.Document().Modified());
  c.TimeBtn44->click();
  EXPECT_EQ(c.TimeBtn34->ImageIndex(), 2);
  EXPECT_EQ(c.TimeBtn44->ImageIndex(), 5);
}

TEST_F(Editing, SpareButtonsOnlySwapTheirPictures) {
  c.etcBtn2->setChecked(true);
  f.etcBtn2Click();
  EXPECT_EQ(c.etcBtn2->ImageIndex(), 9);
  c.etcBtn1->setChecked(true);
  f.etcBtn1Click();
  EXPECT_EQ(c.etcBtn1->ImageIndex(), 7);
  EXPECT_FALSE(c.etcBtn2->isChecked());
  EXPECT_EQ(c.etcBtn2->ImageIndex(), 8);
  EXPECT_EQ(c.etcBtn3->ImageIndex(), 10);
  c.etcBtn1->setChecked(false);
  f.etcBtn1Click();
  EXPECT_EQ(c.etcBtn1->ImageIndex(), 6);
  f.UndoBtnMouseDown();
  EXPECT_EQ(c.UndoBtn->ImageIndex(), 13);
  f.UndoBtnMouseUp();
  EXPECT_EQ(c.UndoBtn->ImageIndex(), 12);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_FALSE(f.Document().Modified());
}

TEST_F(Editing, PointerMovementRedrawsWithThePreview) {
  const QImage before = c.MainImage->Picture();
  QTest::mouseMove(c.MainImage, QPoint(200, 80));
  EXPECT_NE(c.MainImage->Picture(), before);
  c.PlayBtn->click();
  const QImage still = c.MainImage->Picture();
  QTest::mouseMove(c.MainImage, QPoint(150, 60));
  EXPECT_EQ(c.MainImage->Picture(), still);
}

}  // namespace

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "sound/ddsd.h"
#include "sound/ds_offline.h"
#include "sound/ds_seam.h"
#include "tests/support/FormFixture.h"

namespace {

// The window on the offline device, with every device call recorded.
class Editing : public ::testing::Test {
 protected:
  dsound::ScopedOfflineDevice offline{44100};
  dsound::TestSeam seam;
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
    for (const auto& row : f.Song.Score)
      n +=
          static_cast<int>(std::count_if(row.begin(), row.end(), [](int32_t v) { return v != 0; }));
    return n;
  }
};

std::string Freq(int channel, double ratio) {
  return "channel " + std::to_string(channel) + ".SetFrequency(" +
         std::to_string(static_cast<uint32_t>(44100u * ratio)) + ")";
}

TEST_F(Editing, ClicksHitCellsByHalvesToEvenRounding) {
  Select(4);
  Click(65, 40);   // column 0
  Click(66, 36);   // row 0
  Click(66, 140);  // row 14
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_FALSE(f.SongModified);

  Click(66, 37);
  EXPECT_EQ(f.Song.Score[1][1], 4);
  Click(98, 139);
  EXPECT_EQ(f.Song.Score[13][1], 4);
  Click(99, 44);  // 1.5 rounds to row 2
  EXPECT_EQ(f.Song.Score[2][2], 4);
  EXPECT_EQ(CountNotes(), 3);
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 2);
  EXPECT_EQ(f.Song.ColumnNoteCount[2], 1);
  EXPECT_TRUE(f.SongModified);

  // The end-marker tool at the far right.
  f.ScrollBar->setValue(2780);
  Select(16);
  Click(357, 80);
  EXPECT_EQ(f.Song.EndColumn, 96);
  Click(358, 80);
  EXPECT_EQ(f.Song.EndColumn, 97);
}

TEST_F(Editing, AColumnHoldsThreeNotes) {
  for (auto [row, sound] : {std::pair{2, 1}, {4, 2}, {6, 3}}) {
    Select(sound);
    Click(82, 8 * row + 32);
  }
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 3);
  f.SongModified = false;
  Select(5);
  Click(82, 8 * 8 + 32);  // a fourth note is refused but heard
  EXPECT_EQ(f.Song.Score[8][1], 0);
  EXPECT_FALSE(f.SongModified);
  EXPECT_EQ(Sounding().back(), "channel 0.Play");
  Click(82, 8 * 4 + 32);  // replacing is allowed
  EXPECT_EQ(f.Song.Score[4][1], 5);
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 3);
  EXPECT_TRUE(f.SongModified);

  f.EraserBtn->click();
  Click(82, 8 * 6 + 32);
  EXPECT_EQ(f.Song.Score[6][1], 0);
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 2);
  Select(5);
  Click(82, 8 * 8 + 32);
  EXPECT_EQ(f.Song.Score[8][1], 5);
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 3);
}

TEST_F(Editing, ClickingTheSameSoundChangesNothingButIsHeard) {
  Select(9);
  Click(114, 96);
  f.SongModified = false;
  seam.ClearCalls();
  Click(114, 96);
  EXPECT_EQ(f.Song.Score[8][2], 9);
  EXPECT_EQ(f.Song.ColumnNoteCount[2], 1);
  EXPECT_FALSE(f.SongModified);
  const std::vector<std::string> expected = {
      "channel 0.Stop", "DuplicateSoundBuffer(waves/Sound9.wav)", Freq(0, 1.123), "channel 0.Play"};
  EXPECT_EQ(Sounding(), expected);
}

TEST_F(Editing, AuditionUsesTheAlternateRecordingsInTheTopRows) {
  struct Case {
    int sound, row;
    const char* wave;
    double ratio;
  };
  for (const Case& c :
       {Case{1, 5, "waves/Sound21.wav", 0.794}, Case{1, 6, "waves/Sound1.wav", 1.414},
        Case{13, 7, "waves/Sound29.wav", 0.667}, Case{13, 8, "waves/Sound13.wav", 1.123},
        Case{3, 1, "waves/Sound3.wav", 2.245}}) {
    Select(c.sound);
    seam.ClearCalls();
    Click(146, 8 * c.row + 32);
    const std::vector<std::string> expected = {"channel 0.Stop",
                                               std::string("DuplicateSoundBuffer(") + c.wave + ")",
                                               Freq(0, c.ratio), "channel 0.Play"};
    EXPECT_EQ(Sounding(), expected) << "sound " << c.sound << " row " << c.row;
  }
}

TEST_F(Editing, TheEndOfTheSongLimitsEditingButNotListening) {
  f.Song.Score[3][45] = 2;
  f.Song.ColumnNoteCount[45] = 1;
  f.Song.EndColumn = 40;
  f.ScrollBar->setValue(32 * 40);  // column 40 at x = 50
  Select(6);
  seam.ClearCalls();
  Click(50, 60);
  EXPECT_EQ(f.Song.Score[4][40], 0);
  EXPECT_FALSE(f.SongModified);
  EXPECT_EQ(Sounding().back(), "channel 0.Play");

  f.EraserBtn->click();
  seam.ClearCalls();
  Click(50 + 5 * 32, 8 * 3 + 32);  // the note of column 45 lies beyond the end
  EXPECT_EQ(f.Song.Score[3][45], 2);
  EXPECT_TRUE(Sounding().empty());
  EXPECT_FALSE(f.SongModified);

  // The end-marker tool moves the end anywhere, whatever the row.
  Select(16);
  seam.ClearCalls();
  Click(50 + 6 * 32, 38);
  EXPECT_EQ(f.Song.EndColumn, 46);
  EXPECT_TRUE(f.SongModified);
  const std::vector<std::string> expected = {
      "channel 0.Stop", "DuplicateSoundBuffer(waves/Sound16.wav)", Freq(0, 1.0), "channel 0.Play"};
  EXPECT_EQ(Sounding(), expected);
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
  Click(82, 72, Qt::RightButton);
  EXPECT_EQ(f.Song.Score[5][1], 2);
  f.SongModified = false;
  Click(82, 72);
  EXPECT_EQ(f.Song.Score[5][1], 0);
  EXPECT_EQ(f.Song.ColumnNoteCount[1], 0);
  EXPECT_TRUE(f.SongModified);
  const std::vector<std::string> expected = {"DuplicateSoundBuffer(waves/Sound20.wav)",
                                             Freq(0, 1.0), "channel 0.Stop", "channel 0.Play"};
  EXPECT_EQ(Sounding(), expected);

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

TEST_F(Editing, RightClicksAndClicksDuringPlaybackAreIgnored) {
  Select(3);
  seam.ClearCalls();
  Click(82, 40, Qt::RightButton);
  Click(82, 40, Qt::MiddleButton);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  f.Playing = true;
  Click(82, 40);
  EXPECT_EQ(CountNotes(), 0);
  EXPECT_TRUE(Sounding().empty());
  EXPECT_FALSE(f.SongModified);
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
  EXPECT_TRUE(f.SongModified);
  f.SongModified = false;
  f.TimeBtn34->click();  // already down: still marks the song
  EXPECT_TRUE(f.SongModified);
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
  EXPECT_FALSE(f.SongModified);
}

TEST_F(Editing, PointerMovementRedrawsWithThePreview) {
  const QImage before = f.MainImage->Picture();
  QTest::mouseMove(f.MainImage, QPoint(200, 80));
  EXPECT_NE(f.MainImage->Picture(), before);
  f.Playing = true;
  const QImage still = f.MainImage->Picture();
  QTest::mouseMove(f.MainImage, QPoint(150, 60));
  EXPECT_EQ(f.MainImage->Picture(), still);
}

}  // namespace

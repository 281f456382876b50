#include <gtest/gtest.h>

#include <cmath>

#include "core/NoteEditing.h"
#include "core/PitchTables.h"

namespace {

TEST(PitchTables, HoldTheEqualTemperedRatios) {
  const int semitones[] = {0, 14, 12, 11, 9, 7, 6, 4, 2, 0, -1, -3, -5, -6};
  for (int row = 1; row <= RowCount; ++row) {
    EXPECT_NEAR(RowPitch[static_cast<size_t>(row)], std::pow(2.0, semitones[row] / 12.0), 0.0006)
        << "row " << row;
    if (row <= AltRowCount) {  // the alternate table is eleven semitones lower
      EXPECT_NEAR(AltRowPitch[static_cast<size_t>(row)],
                  std::pow(2.0, (semitones[row] - 11) / 12.0), 0.0006)
          << "row " << row;
    }
  }
}

TEST(PitchTables, TopRowsOfSomeSoundsUseTheAlternateRecording) {
  struct Case {
    int32_t sound;
    int row, wave;
    double ratio;
  };
  for (const Case& c : {Case{1, 5, 21, 0.794}, Case{1, 6, 1, 1.414}, Case{13, 6, 29, 0.749},
                        Case{13, 7, 29, 0.667}, Case{13, 8, 13, 1.123}, Case{2, 1, 28, 1.189},
                        Case{15, 3, 27, 1.0}, Case{3, 1, 3, 2.245}, Case{9, 13, 9, 0.707}}) {
    const TNoteVoice voice = ChooseVoice(c.sound, c.row);
    EXPECT_EQ(voice.Wave, c.wave) << "sound " << c.sound << " row " << c.row;
    EXPECT_EQ(voice.Ratio, c.ratio) << "sound " << c.sound << " row " << c.row;
  }
}

TEST(HitCell, RoundsHalvesToTheEvenNeighbour) {
  struct Case {
    int P, X, Y, row, column;
  };
  for (const Case& c :
       {Case{0, 65, 40, 1, 0}, Case{0, 66, 40, 1, 1}, Case{0, 98, 40, 1, 1}, Case{0, 99, 40, 1, 2},
        Case{0, 129, 40, 1, 2}, Case{0, 130, 40, 1, 3}, Case{0, 80, 36, 0, 1},
        Case{0, 80, 37, 1, 1}, Case{0, 80, 44, 2, 1}, Case{0, 80, 139, 13, 1},
        Case{0, 80, 140, 14, 1}, Case{2780, 357, 80, 6, 96}, Case{2780, 358, 80, 6, 97}}) {
    const TCell cell = HitCell(c.P, c.X, c.Y);
    EXPECT_EQ(cell.Row, c.row) << "P " << c.P << " X " << c.X << " Y " << c.Y;
    EXPECT_EQ(cell.Column, c.column) << "P " << c.P << " X " << c.X << " Y " << c.Y;
  }
  EXPECT_FALSE((TCell{1, 0}.Counts()));
  EXPECT_FALSE((TCell{0, 1}.Counts()));
  EXPECT_FALSE((TCell{14, 1}.Counts()));
  EXPECT_TRUE((TCell{13, 97}.Counts()));
}

// What a click is heard as, in a form a failure message can show.
std::string Heard(const TCellEdit& edit) {
  const char* kinds[] = {"none", "click", "eraser", "palette"};
  if (edit.Heard.Kind == TAudition::None) return "none";
  return std::string(kinds[edit.Heard.Kind]) + " " + std::to_string(edit.Heard.Voice.Wave) + " " +
         std::to_string(edit.Heard.Voice.Ratio);
}

TEST(EditCell, AColumnHoldsThreeNotesAndAFullOneStillLetsThemBeReplaced) {
  TSong song;
  for (auto [row, sound] : {std::pair{2, 1}, {4, 2}, {6, 3}})
    EXPECT_TRUE(EditCell(song, sound, {row, 1}).Modified);
  EXPECT_EQ(song.ColumnNoteCount[1], 3);

  const TCellEdit fourth = EditCell(song, 5, {8, 1});
  EXPECT_FALSE(fourth.Modified);
  EXPECT_EQ(song.Cell(8, 1), 0);
  EXPECT_EQ(Heard(fourth), Heard({false, {TAudition::Click, {5, RowPitch[8]}}}));  // still heard

  EXPECT_TRUE(EditCell(song, 5, {4, 1}).Modified);
  EXPECT_EQ(song.Cell(4, 1), 5);
  EXPECT_EQ(song.ColumnNoteCount[1], 3);

  const TCellEdit erased = EditCell(song, EraserSound, {6, 1});
  EXPECT_TRUE(erased.Modified);
  EXPECT_EQ(Heard(erased), Heard({true, {TAudition::Eraser, {20, 1.0}}}));
  EXPECT_EQ(song.Cell(6, 1), 0);
  EXPECT_EQ(song.ColumnNoteCount[1], 2);
  EXPECT_TRUE(EditCell(song, 5, {8, 1}).Modified);
  EXPECT_EQ(song.ColumnNoteCount[1], 3);
}

TEST(EditCell, TheSameSoundAgainChangesNothingButIsHeard) {
  TSong song;
  EditCell(song, 1, {5, 2});
  const TCellEdit again = EditCell(song, 1, {5, 2});
  EXPECT_FALSE(again.Modified);
  EXPECT_EQ(song.ColumnNoteCount[2], 1);
  EXPECT_EQ(Heard(again), Heard({false, {TAudition::Click, {21, 0.794}}}));
}

TEST(EditCell, TheEndOfTheSongLimitsNotesAndTheEraserButNotTheEndMarker) {
  TSong song;
  song.Cell(3, 45) = 2;
  song.ColumnNoteCount[45] = 1;
  song.EndColumn = 40;
  const TCellEdit atEnd = EditCell(song, 6, {4, 40});
  EXPECT_FALSE(atEnd.Modified);
  EXPECT_EQ(song.Cell(4, 40), 0);
  EXPECT_EQ(Heard(atEnd), Heard({false, {TAudition::Click, {24, 0.891}}}));
  EXPECT_TRUE(EditCell(song, 6, {4, 39}).Modified);

  const TCellEdit beyond = EditCell(song, EraserSound, {3, 45});
  EXPECT_FALSE(beyond.Modified);
  EXPECT_EQ(song.Cell(3, 45), 2);
  EXPECT_EQ(Heard(beyond), "none");
  EXPECT_EQ(Heard(EditCell(song, EraserSound, {5, 10})), "none");  // an empty cell

  const TCellEdit marker = EditCell(song, EndMarkerSound, {1, 46});
  EXPECT_TRUE(marker.Modified);
  EXPECT_EQ(song.EndColumn, 46);
  EXPECT_EQ(Heard(marker), Heard({true, {TAudition::Click, {16, 1.0}}}));
  EditCell(song, EndMarkerSound, {13, 98});  // a view wider than designed
  EXPECT_EQ(song.EndColumn, 97);
  EXPECT_EQ(song.Cell(1, 46), 0);  // the tool never writes a note
}

}  // namespace

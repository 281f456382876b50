// Composing in the core: whole-column edits, their clipboard text, the column selection,
// drags that paint, and how far a wider view scrolls.
#include <gtest/gtest.h>

#include "core/ColumnClipText.h"
#include "core/ColumnSelection.h"
#include "core/Document.h"
#include "core/NoteEditing.h"
#include "core/PaintStroke.h"
#include "core/ScoreGeometry.h"
#include "core/SongColumns.h"

namespace {

void Put(TSong& song, int row, int column, int32_t sound) {
  int32_t& cell = song.Cell(row, column);
  song.NoteCount(column) += (sound != 0 ? 1 : 0) - (cell != 0 ? 1 : 0);
  cell = sound;
}

// Every count matches its column and the end lies within 1..97.
::testing::AssertionResult Whole(const TSong& song) {
  for (int c = 1; c <= ColumnCount; ++c) {
    int n = 0;
    for (int r = 1; r <= RowCount; ++r) n += song.Cell(r, c) != 0 ? 1 : 0;
    if (n != song.ColumnNoteCount[static_cast<size_t>(c)])
      return ::testing::AssertionFailure() << "column " << c << " counts wrong";
  }
  if (song.EndColumn < 1 || song.EndColumn > WholeSongEnd)
    return ::testing::AssertionFailure() << "end at " << song.EndColumn;
  return ::testing::AssertionSuccess();
}

// The notes of one column, rows 1..13.
std::vector<int32_t> Column(const TSong& song, int column) {
  std::vector<int32_t> notes;
  for (int r = 1; r <= RowCount; ++r) notes.push_back(song.Cell(r, column));
  return notes;
}

// Columns 1..4: three notes, one in the top rows, none, one below the staff.
TSong Phrase() {
  TSong song;
  Put(song, 1, 1, 2);
  Put(song, 7, 1, 5);
  Put(song, 13, 1, 15);
  Put(song, 3, 2, 13);
  Put(song, 12, 4, 9);
  return song;
}

TEST(SongColumns, CopyAndPasteWriteWholeColumnsUpToTheEnd) {
  TSong song = Phrase();
  const TColumnClip clip = CopyColumns(song, {1, 4});
  ASSERT_EQ(clip.Width(), 4);
  Put(song, 5, 10, 7);  // overwritten: the clip's column 2 has no note there
  const TPasteResult result = PasteColumns(song, clip, 9);
  EXPECT_EQ(result.Written, 4);
  EXPECT_EQ(result.LeftOut, 0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Column(song, 9 + k), Column(song, 1 + k)) << k;
  EXPECT_EQ(song.ColumnNoteCount[9], 3);
  EXPECT_TRUE(Whole(song));

  // Past column 96 the clip is left out.
  const TPasteResult atTheEdge = PasteColumns(song, clip, 95);
  EXPECT_EQ(atTheEdge.Written, 2);
  EXPECT_EQ(atTheEdge.LeftOut, 2);
  EXPECT_EQ(Column(song, 96), Column(song, 2));

  // Cells at or past the end cannot be edited: they are neither written nor copied.
  song.EndColumn = 11;
  Put(song, 6, 11, 4);
  const TPasteResult beforeTheEnd = PasteColumns(song, CopyColumns(song, {1, 4}), 8);
  EXPECT_EQ(beforeTheEnd.Written, 3);
  EXPECT_EQ(beforeTheEnd.LeftOut, 1);
  EXPECT_EQ(song.Cell(6, 11), 4);
  EXPECT_EQ(PasteColumns(song, clip, 11).Written, 0);
  const TColumnClip acrossTheEnd = CopyColumns(song, {9, 12});
  EXPECT_EQ(acrossTheEnd.Columns[1][1], song.Cell(1, 10));
  EXPECT_EQ(acrossTheEnd.Columns[2], TColumnClip::TColumn{});
  EXPECT_TRUE(Whole(song));
  EXPECT_THROW(PasteColumns(song, clip, 0), std::out_of_range);
  EXPECT_THROW(CopyColumns(song, {3, 2}), std::out_of_range);
  EXPECT_THROW(CopyColumns(song, {90, 97}), std::out_of_range);
}

TEST(SongColumns, ClearEmptiesTheColumnsBeforeTheEnd) {
  TSong song = Phrase();
  song.EndColumn = 3;
  Put(song, 2, 3, 6);  // past the end
  EXPECT_TRUE(ClearColumns(song, {1, 4}));
  EXPECT_EQ(Column(song, 1), Column(TSong{}, 1));
  EXPECT_EQ(Column(song, 2), Column(TSong{}, 2));
  EXPECT_EQ(song.Cell(2, 3), 6);
  EXPECT_EQ(song.Cell(12, 4), 9);
  EXPECT_EQ(song.EndColumn, 3);
  EXPECT_TRUE(Whole(song));
  EXPECT_FALSE(ClearColumns(song, {1, 2}));  // nothing left to clear
}

TEST(SongColumns, InsertMovesLaterColumnsAndTheEndOrRefuses) {
  TSong song = Phrase();
  Put(song, 4, 5, 3);
  Put(song, 8, 7, 11);
  Put(song, 9, 70, 1);  // past the end: moves along all the same
  song.EndColumn = 60;
  const TSong before = song;
  ASSERT_TRUE(InsertColumns(song, {5, 6}));
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(Column(song, c), Column(before, c)) << c;
  EXPECT_EQ(Column(song, 5), Column(TSong{}, 5));
  EXPECT_EQ(Column(song, 6), Column(TSong{}, 6));
  EXPECT_EQ(Column(song, 7), Column(before, 5));
  EXPECT_EQ(Column(song, 9), Column(before, 7));
  EXPECT_EQ(song.Cell(9, 72), 1);
  EXPECT_EQ(song.EndColumn, 62);
  EXPECT_TRUE(Whole(song));

  // An end marker before the space stays; one at its first column moves; 97 stays 97.
  song.EndColumn = 4;
  ASSERT_TRUE(InsertColumns(song, {5, 5}));
  EXPECT_EQ(song.EndColumn, 4);
  song.EndColumn = 5;
  ASSERT_TRUE(InsertColumns(song, {5, 5}));
  EXPECT_EQ(song.EndColumn, 6);
  song.EndColumn = 96;
  ASSERT_TRUE(InsertColumns(song, {5, 7}));
  EXPECT_EQ(song.EndColumn, WholeSongEnd);

  // A note that would leave the staff refuses the whole insert; one before it does not.
  TSong edge;
  Put(edge, 3, 95, 8);
  const TSong unchanged = edge;
  EXPECT_FALSE(InsertColumns(edge, {10, 11}));
  EXPECT_EQ(edge.Score, unchanged.Score);
  EXPECT_EQ(edge.EndColumn, unchanged.EndColumn);
  EXPECT_TRUE(InsertColumns(edge, {96, 96}));
  EXPECT_TRUE(InsertColumns(edge, {10, 10}));
  EXPECT_EQ(edge.Cell(3, 96), 8);
  EXPECT_TRUE(Whole(edge));
}

TEST(SongColumns, RemoveClosesTheGapAndMovesTheEnd) {
  TSong song = Phrase();
  Put(song, 5, 7, 14);
  Put(song, 2, 96, 10);
  const TSong before = song;
  RemoveColumns(song, {2, 4});
  EXPECT_EQ(Column(song, 1), Column(before, 1));
  EXPECT_EQ(Column(song, 4), Column(before, 7));
  EXPECT_EQ(Column(song, 93), Column(before, 96));
  for (int c = 94; c <= 96; ++c) EXPECT_EQ(Column(song, c), Column(TSong{}, c)) << c;
  EXPECT_EQ(song.EndColumn, 94);
  EXPECT_TRUE(Whole(song));

  // An end inside the gap goes to the gap; one before it stays.
  song.EndColumn = 12;
  RemoveColumns(song, {10, 20});
  EXPECT_EQ(song.EndColumn, 10);
  RemoveColumns(song, {30, 31});
  EXPECT_EQ(song.EndColumn, 10);
  RemoveColumns(song, {1, 96});
  EXPECT_EQ(song.EndColumn, 1);
  EXPECT_EQ(song.Score, TSong{}.Score);
  EXPECT_TRUE(Whole(song));
}

TEST(ColumnClipText, IsASongTextThatReadsBackAsTheClip) {
  const TColumnClip clip = CopyColumns(Phrase(), {1, 4});
  const std::string text = ColumnClipText(clip);
  EXPECT_EQ(text.rfind("SCORE=1275DF003D00000C9000", 0), 0u) << text;
  EXPECT_NE(text.find("\r\nEND=5\r\n"), std::string::npos);
  EXPECT_EQ(ReadColumnClipText(text), clip);
  TColumnClip all;
  all.Columns.resize(ColumnCount);
  all.Columns[95][13] = 15;
  EXPECT_EQ(ReadColumnClipText(ColumnClipText(all)), all);

  EXPECT_EQ(ReadColumnClipText("SCORE=000\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=1\r\nTIME44=TRUE"),
            std::nullopt);
  EXPECT_EQ(ReadColumnClipText("SCORE=1G\r\nTEMPO=250\r\nEND=3"), std::nullopt);
  EXPECT_EQ(ReadColumnClipText("SCORE=\r\nTEMPO=fast\r\nEND=3"), std::nullopt);
  EXPECT_EQ(ReadColumnClipText(""), std::nullopt);
  EXPECT_EQ(ReadColumnClipText(text + std::string(MaxColumnClipText, ' ')), std::nullopt);
}

TEST(ColumnSelection, PressDragAndShiftKeepTheFirstColumnPressed) {
  TColumnSelection selection;
  EXPECT_EQ(selection.Range(), std::nullopt);
  selection.Extend(7);  // Shift without a selection: that column
  EXPECT_EQ(selection.Range(), (TColumnRange{7, 7}));
  selection.Start(5);
  selection.Extend(2);
  EXPECT_EQ(selection.Range(), (TColumnRange{2, 5}));
  selection.Extend(200);
  EXPECT_EQ(selection.Range(), (TColumnRange{5, 96}));
  selection.Start(-3);
  EXPECT_EQ(selection.Range(), (TColumnRange{1, 1}));
  selection.Clear();
  EXPECT_EQ(selection.Range(), std::nullopt);

  // The strip is where no row is hit, above the staff.
  EXPECT_TRUE(OnColumnStrip(0));
  EXPECT_TRUE(OnColumnStrip(36));
  EXPECT_FALSE(OnColumnStrip(37));
  EXPECT_FALSE(OnColumnStrip(-1));
  EXPECT_EQ(StripColumn(0, 66), 1);
  EXPECT_EQ(StripColumn(0, 99), 2);
  EXPECT_EQ(StripColumn(0, 10), 1);
  EXPECT_EQ(StripColumn(ScrollMax, 384), 96);

  // Copies go to a selection that shows, else to the first column wholly in view.
  const TColumnRange first4{1, 4};
  EXPECT_EQ(PasteColumn(first4, 0, 385), 1);
  EXPECT_EQ(PasteColumn(first4, 300, 385), 9);
  EXPECT_EQ(PasteColumn(std::nullopt, 300, 385), 9);
  EXPECT_EQ(PasteColumn(TColumnRange{20, 21}, 0, 385), 1);
  EXPECT_EQ(PasteColumn(TColumnRange{20, 21}, 0, 1000), 20);
  EXPECT_EQ(PasteColumn(std::nullopt, ScrollMax, 385), 86);
}

TEST(ScoreGeometry, AWiderViewScrollsSoThatColumn97StaysTheLastReached) {
  EXPECT_EQ(ScrollMaxFor(DesignedViewWidth), ScrollMax);
  EXPECT_EQ(ScrollMaxFor(1000), 2165);
  EXPECT_EQ(ScrollMaxFor(WidestView), 0);
  EXPECT_EQ(ScrollMaxFor(5000), 0);
  for (int W = DesignedViewWidth; W <= WidestView; ++W) {
    const int P = ScrollMaxFor(W);
    ASSERT_EQ(HitCell(P, W - 1, 80).Column, WholeSongEnd) << "width " << W;
    ASSERT_LT(ColumnLineX(WholeSongEnd, P), W) << "width " << W;
    ASSERT_GE(ColumnLineX(WholeSongEnd + 1, P) - ColumnWidth / 2, W) << "width " << W;
  }
  EXPECT_TRUE((TCell{13, 97}.Counts()));
  EXPECT_FALSE((TCell{1, 98}.Counts()));
}

// Column n's line and row r's centre in the unscrolled view.
int X(int column) { return ColumnLineX(column, 0); }
int Y(int row) { return RowCentreY(row); }

TEST(PaintStroke, EditsEachCellOnItsWayOnceAndIsOneStep) {
  TDocument doc;
  doc.SetTempo(300);  // an open run of tempo changes: its own step, not the drag's
  TPaintStroke stroke(doc, 3);
  EXPECT_EQ(stroke.MoveTo(0, X(1), Y(6)).size(), 1u);
  // One jump of the pointer across seven columns still passes each of them.
  EXPECT_EQ(stroke.MoveTo(0, X(8), Y(6)).size(), 7u);
  // Back over the same cells, scrolled: nothing more, each cell once.
  EXPECT_TRUE(stroke.MoveTo(4 * ColumnWidth, X(1), Y(6)).empty());
  stroke.End();
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(doc.Song().Cell(6, c), 3) << c;
  EXPECT_TRUE(stroke.MoveTo(0, X(9), Y(6)).empty());  // ended
  EXPECT_EQ(doc.Song().Cell(6, 9), 0);
  doc.Undo();
  EXPECT_EQ(doc.Song().Score, TSong{}.Score);
  EXPECT_EQ(doc.Settings().Tempo, 300);
  doc.Redo();

  // The eraser is heard only where it clears; a full column refuses a fourth note but is
  // heard; below the rows nothing is edited.
  TPaintStroke eraser(doc, EraserSound);
  EXPECT_EQ(eraser.MoveTo(0, X(8), Y(6)).size(), 1u);
  EXPECT_EQ(eraser.MoveTo(0, X(8), Y(1)).size(), 0u);
  EXPECT_EQ(eraser.MoveTo(0, X(8), Y(6)).size(), 0u);
  EXPECT_EQ(eraser.MoveTo(0, X(6), Y(6)).size(), 2u);
  eraser.End();
  EXPECT_EQ(doc.Song().ColumnNoteCount[7], 0);
  doc.Change([](TSong& song) {
    for (int r = 1; r <= 3; ++r) Put(song, r, 2, 1);
  });
  TPaintStroke full(doc, 5);
  EXPECT_EQ(full.MoveTo(0, X(2), Y(10)).size(), 1u);
  EXPECT_EQ(full.MoveTo(0, X(2), Y(13) + 20).size(), 3u);
  full.End();
  for (int r = 10; r <= 13; ++r) EXPECT_EQ(doc.Song().Cell(r, 2), 0) << r;
  EXPECT_TRUE(Whole(doc.Song()));

  // The end tool follows the pointer and stays where the drag ends; up to 97.
  TPaintStroke end(doc, EndMarkerSound);
  EXPECT_EQ(end.MoveTo(ScrollMax, 300, Y(4)).size(), 1u);
  end.MoveTo(ScrollMax, 360, Y(4));
  end.End();
  EXPECT_EQ(doc.Song().EndColumn, WholeSongEnd);
  end.MoveTo(0, X(30), Y(4));
  EXPECT_EQ(doc.Song().EndColumn, WholeSongEnd);
}

}  // namespace

#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/SongModel.h"

// Whole columns of the grid, First..Last, within 1..96.
struct TColumnRange {
  int First = 1;
  int Last = 1;

  int Width() const { return Last - First + 1; }
  bool Valid() const { return First >= 1 && First <= Last && Last <= ColumnCount; }
  bool Holds(int column) const { return column >= First && column <= Last; }
  friend bool operator==(const TColumnRange&, const TColumnRange&) = default;
};

// The notes of whole columns taken out of a song: Columns[k][row] is the cell of row 1..13
// (slot 0 unused) in the k-th column taken.
struct TColumnClip {
  using TColumn = std::array<int32_t, RowCount + 1>;
  std::vector<TColumn> Columns;

  int Width() const { return static_cast<int>(Columns.size()); }
  friend bool operator==(const TColumnClip&, const TColumnClip&) = default;
};

// Whole-column edits. Cells at or past the end of the song cannot be edited, so the
// commands that write or clear notes stop there; the ones that move columns move every
// note, so that nothing is lost, and the end marker with them. Each keeps every column's
// count of notes equal to its occupied cells. A range that is not Valid() is a fault
// of the caller (std::out_of_range).

// The columns' notes as the view shows them: columns at or past the end come out empty.
TColumnClip CopyColumns(const TSong& song, TColumnRange range);

// Empties the columns before the end; whether a note went.
bool ClearColumns(TSong& song, TColumnRange range);

struct TPasteResult {
  int Written = 0;  // columns of the clip written, from the first one on
  int LeftOut = 0;  // the clip's columns that would have gone at or past the end
};
// Writes the clip's columns over the song's from `first` on, each column whole; those that
// would reach the end of the song (or pass column 96) are left out.
TPasteResult PasteColumns(TSong& song, const TColumnClip& clip, int first);

// Moves the columns from range.First on to the right by the range's width, leaving the
// range empty; an end marker at or after range.First moves with them (97 at most).
// Refused, with nothing changed, when a note would leave the staff: false then.
bool InsertColumns(TSong& song, TColumnRange range);

// Takes the range's columns out and closes the gap, moving the later columns left and
// leaving the last ones empty; the end marker moves with its column, or to the gap when it
// stood in the range.
void RemoveColumns(TSong& song, TColumnRange range);

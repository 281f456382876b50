#include "core/SongColumns.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {
void Check(TColumnRange range) {
  if (!range.Valid())
    throw std::out_of_range("columns " + std::to_string(range.First) + ".." +
                            std::to_string(range.Last) + " are not columns of the grid");
}

void Recount(TSong& song, int column) {
  int32_t n = 0;
  for (int row = 1; row <= RowCount; ++row) n += song.Cell(row, column) != 0 ? 1 : 0;
  song.NoteCount(column) = n;
}

// Column `to` takes the notes of column `from`, or none for a column off the grid.
void MoveColumn(TSong& song, int from, int to) {
  for (int row = 1; row <= RowCount; ++row)
    song.Cell(row, to) = from >= 1 && from <= ColumnCount ? song.Cell(row, from) : 0;
  Recount(song, to);
}

// The last column that may be edited: the one before the end marker.
int LastEditable(const TSong& song) { return std::min(song.EndColumn - 1, ColumnCount); }
}  // namespace

TColumnClip CopyColumns(const TSong& song, TColumnRange range) {
  Check(range);
  TColumnClip clip;
  clip.Columns.resize(static_cast<std::size_t>(range.Width()));
  for (int column = range.First; column <= std::min(range.Last, LastEditable(song)); ++column)
    for (int row = 1; row <= RowCount; ++row)
      clip.Columns[static_cast<std::size_t>(column - range.First)][static_cast<std::size_t>(row)] =
          song.Cell(row, column);
  return clip;
}

bool ClearColumns(TSong& song, TColumnRange range) {
  Check(range);
  bool cleared = false;
  for (int column = range.First; column <= std::min(range.Last, LastEditable(song)); ++column) {
    cleared = cleared || song.NoteCount(column) != 0;
    for (int row = 1; row <= RowCount; ++row) song.Cell(row, column) = 0;
    song.NoteCount(column) = 0;
  }
  return cleared;
}

TPasteResult PasteColumns(TSong& song, const TColumnClip& clip, int first) {
  if (first < 1 || first > ColumnCount)
    throw std::out_of_range("column " + std::to_string(first) + " is not a column of the grid");
  TPasteResult result;
  result.Written = std::clamp(LastEditable(song) - first + 1, 0, clip.Width());
  result.LeftOut = clip.Width() - result.Written;
  for (int k = 0; k < result.Written; ++k) {
    const TColumnClip::TColumn& notes = clip.Columns[static_cast<std::size_t>(k)];
    for (int row = 1; row <= RowCount; ++row)
      song.Cell(row, first + k) = notes[static_cast<std::size_t>(row)];
    Recount(song, first + k);
  }
  return result;
}

bool InsertColumns(TSong& song, TColumnRange range) {
  Check(range);
  const int width = range.Width();
  // The last `width` columns all lie in the range or after it.
  for (int column = ColumnCount - width + 1; column <= ColumnCount; ++column)
    if (song.NoteCount(column) != 0) return false;
  for (int column = ColumnCount; column > range.Last; --column)
    MoveColumn(song, column - width, column);
  for (int column = range.First; column <= range.Last; ++column) MoveColumn(song, 0, column);
  if (song.EndColumn >= range.First)
    song.EndColumn = std::min(song.EndColumn + width, WholeSongEnd);
  return true;
}

void RemoveColumns(TSong& song, TColumnRange range) {
  Check(range);
  const int width = range.Width();
  for (int column = range.First; column <= ColumnCount; ++column)
    MoveColumn(song, column + width, column);
  if (song.EndColumn > range.Last)
    song.EndColumn -= width;
  else if (song.EndColumn >= range.First)
    song.EndColumn = range.First;
}

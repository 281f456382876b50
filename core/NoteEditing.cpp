#include "core/NoteEditing.h"

bool PlaceNote(TSong& song, int row, int column, int32_t sound) {
  if (column >= song.EndColumn || column > ColumnCount) return false;
  int32_t& cell = song.Cell(row, column);
  int32_t& count = song.ColumnNoteCount[static_cast<std::size_t>(column)];
  if (cell == sound) return false;
  if (count < MaxNotesPerColumn) {
    if (cell == 0) ++count;
    cell = sound;
    return true;
  }
  if (cell == 0) return false;  // a fourth note is refused
  cell = sound;
  return true;
}

bool EraseNote(TSong& song, int row, int column) {
  if (column >= song.EndColumn || column > ColumnCount) return false;
  int32_t& cell = song.Cell(row, column);
  if (cell <= 0) return false;
  cell = 0;
  --song.ColumnNoteCount[static_cast<std::size_t>(column)];
  return true;
}

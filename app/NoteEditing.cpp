#include "app/NoteEditing.h"

namespace {
int32_t& Cell(TScore& score, int row, int column) {
  return score[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}
}  // namespace

bool PlaceNote(TScore& score, TColumnNoteCount& counts, int32_t endColumn, int row, int column,
               int32_t sound) {
  if (column >= endColumn || column > ColumnCount) return false;
  int32_t& cell = Cell(score, row, column);
  int32_t& count = counts[static_cast<std::size_t>(column)];
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

bool EraseNote(TScore& score, TColumnNoteCount& counts, int32_t endColumn, int row, int column) {
  if (column >= endColumn || column > ColumnCount) return false;
  int32_t& cell = Cell(score, row, column);
  if (cell <= 0) return false;
  cell = 0;
  --counts[static_cast<std::size_t>(column)];
  return true;
}

#include "core/NoteEditing.h"

#include <algorithm>
#include <cmath>

#include "core/ScoreGeometry.h"

namespace {
int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

bool PlaceNote(TSong& song, TCell cell, int32_t sound) {
  if (cell.Column >= song.EndColumn || cell.Column > ColumnCount) return false;
  int32_t& value = song.Cell(cell.Row, cell.Column);
  int32_t& count = song.NoteCount(cell.Column);
  if (value == sound) return false;
  if (count < MaxNotesPerColumn) {
    if (value == 0) ++count;
    value = sound;
    return true;
  }
  if (value == 0) return false;  // a fourth note is refused
  value = sound;
  return true;
}

bool EraseNote(TSong& song, TCell cell) {
  if (cell.Column >= song.EndColumn || cell.Column > ColumnCount) return false;
  int32_t& value = song.Cell(cell.Row, cell.Column);
  if (value <= 0) return false;
  value = 0;
  --song.NoteCount(cell.Column);
  return true;
}
}  // namespace

TCell HitCell(int P, int X, int Y) {
  return {Nearest((Y - RowZeroY) / static_cast<double>(RowHeight)),
          Nearest((P - FirstColumnX + X) / static_cast<double>(ColumnWidth)) + 1};
}

TCellEdit EditCell(TSong& song, int32_t tool, TCell cell) {
  if (tool < EndMarkerSound) {
    const bool placed = PlaceNote(song, cell, tool);
    return {placed, {TAudition::Click, ChooseVoice(tool, cell.Row)}};
  }
  if (tool == EndMarkerSound) {
    song.EndColumn = std::min(cell.Column, WholeSongEnd);
    return {true, {TAudition::Click, {EndMarkerWave, 1.0}}};
  }
  if (EraseNote(song, cell)) return {true, {TAudition::Eraser, {EraserWave, 1.0}}};
  return {};
}

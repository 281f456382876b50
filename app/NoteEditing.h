#pragma once

#include "app/SongModel.h"

// Writes `sound` into a cell of the song unless the cell already holds it, the column lies
// at or after the end of the song, or a fourth note would join the column; a column that
// is full still lets its notes be replaced. Returns whether the grid changed.
bool PlaceNote(TScore& score, TColumnNoteCount& counts, int32_t endColumn, int row, int column,
               int32_t sound);

// Clears a note before the end of the song. Returns whether there was one.
bool EraseNote(TScore& score, TColumnNoteCount& counts, int32_t endColumn, int row, int column);

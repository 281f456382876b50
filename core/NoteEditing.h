#pragma once

#include "core/SongModel.h"

// Writes `sound` into a cell of the song unless the cell already holds it, the column lies
// at or after the end of the song, or a fourth note would join the column; a column that
// is full still lets its notes be replaced. Returns whether the grid changed.
bool PlaceNote(TSong& song, int row, int column, int32_t sound);

// Clears a note before the end of the song. Returns whether there was one.
bool EraseNote(TSong& song, int row, int column);

#pragma once

#include "core/Audition.h"
#include "core/SongModel.h"

// A cell of the grid.
struct TCell {
  int Row = 0;
  int Column = 0;
  // A click counts from column 1 to 97 (where the end-marker tool ends the whole song),
  // within the 13 rows. A view wider than designed can show more, but nothing there.
  bool Counts() const {
    return Column >= 1 && Column <= WholeSongEnd && Row >= 1 && Row <= RowCount;
  }
};

// The cell under the pointer (X, Y) of the score view scrolled by P pixels. Halves round
// to the even neighbour, so cells are not all the same size in pixels.
TCell HitCell(int P, int X, int Y);

// What a left click with a tool did to the song, and what it lets the user hear.
struct TCellEdit {
  bool Modified = false;
  TAudition Heard;
};

// A click of `tool` on a cell that counts. A note sound is placed unless the cell holds it,
// the column lies at or past the end, or it would be a fourth note in the column; it is
// heard in any case. The end marker moves the end of the song to the column. The eraser
// clears a note before the end, and only then is heard.
TCellEdit EditCell(TSong& song, int32_t tool, TCell cell);

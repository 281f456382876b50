#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The song grid and the numbers that give its cells meaning. Indices are 1-based, as
// everywhere in the song: rows 1..13 (top to bottom), columns 1..96; slot 0 is unused.
inline constexpr int RowCount = 13;
inline constexpr int ColumnCount = 96;
inline constexpr int32_t WholeSongEnd = 97;  // EndColumn when every column belongs to the song
inline constexpr int MaxNotesPerColumn = 3;

// Tools: 1..15 place a note of that sound, 16 moves the end, 17 erases. The palette holds
// the first sixteen.
inline constexpr int32_t NoteSoundCount = 15;
inline constexpr int32_t EndMarkerSound = 16;
inline constexpr int32_t EraserSound = 17;
inline constexpr int PaletteButtonCount = 16;

inline constexpr int DefaultTempo = 250;  // columns per minute, for a new song

using TScore = std::array<std::array<int32_t, ColumnCount + 1>, RowCount + 1>;
using TColumnNoteCount = std::array<int32_t, ColumnCount + 1>;

// The song as files and the clipboard carry it, less the settings that live in their
// controls (tempo, loop, time signature). ColumnNoteCount[c] equals the occupied cells of
// column c, at most three.
struct TSong {
  TScore Score{};
  TColumnNoteCount ColumnNoteCount{};
  int32_t EndColumn = WholeSongEnd;  // the song is columns 1 .. EndColumn - 1

  int32_t& Cell(int row, int column) {
    return Score[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  int32_t Cell(int row, int column) const {
    return Score[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  int32_t& NoteCount(int column) { return ColumnNoteCount[static_cast<std::size_t>(column)]; }
  // An empty grid that plays every column.
  void Clear() { *this = TSong{}; }
};

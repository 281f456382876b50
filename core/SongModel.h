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

inline constexpr int32_t NoteSoundCount = 15;  // 1..15 are notes
inline constexpr int32_t EndMarkerSound = 16;
inline constexpr int32_t EraserSound = 17;
inline constexpr int PaletteButtonCount = 16;
inline constexpr int WaveBankSize = 29;
inline constexpr int EndMarkerWave = 16;
inline constexpr int EraserWave = 20;

inline constexpr int DefaultTempo = 250;

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
  // An empty grid that plays every column.
  void Clear() { *this = TSong{}; }
};

// Frequency ratios of the rows: equal-tempered steps from row 9, to three decimals.
using TRowPitch = std::array<double, RowCount + 1>;
using TAltRowPitch = std::array<double, 7 + 1>;
inline constexpr TRowPitch DefaultRowPitch = {0,    2.245, 2.0, 1.888, 1.682, 1.498, 1.414,
                                              1.26, 1.123, 1.0, 0.944, 0.841, 0.749, 0.707};
// The same rows eleven semitones lower, for the alternate recordings.
inline constexpr TAltRowPitch DefaultAltRowPitch = {0,     1.189, 1.059, 1.0,
                                                    0.891, 0.794, 0.749, 0.667};

// Which sample and ratio sound a note: some sounds switch to a second recording in the
// top rows.
struct TNoteVoice {
  int Wave;      // index into WaveBank, 1..29
  double Ratio;  // of the sample's own rate
};
TNoteVoice ChooseVoice(int32_t sound, int row, const TRowPitch& rowPitch,
                       const TAltRowPitch& altRowPitch);

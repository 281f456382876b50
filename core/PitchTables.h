#pragma once

#include <array>
#include <cstdint>

#include "core/SongModel.h"

// Frequency ratios of the rows: equal-tempered steps from row 9, to three decimals.
inline constexpr std::array<double, RowCount + 1> RowPitch = {
    0, 2.245, 2.0, 1.888, 1.682, 1.498, 1.414, 1.26, 1.123, 1.0, 0.944, 0.841, 0.749, 0.707};
// Rows 1..7 eleven semitones lower, for the alternate recordings of the top rows.
inline constexpr int AltRowCount = 7;
inline constexpr std::array<double, AltRowCount + 1> AltRowPitch = {0,     1.189, 1.059, 1.0,
                                                                    0.891, 0.794, 0.749, 0.667};

// Which sample and ratio sound a note.
struct TNoteVoice {
  int Wave = 0;        // index into the wave bank, 1..29
  double Ratio = 1.0;  // of the sample's own rate
};

// Some sounds switch to a second recording, at AltRowPitch, in the top rows (1..5, or
// 1..7 for sound 13); every other note plays its own sample at RowPitch.
TNoteVoice ChooseVoice(int32_t sound, int row);

// The song as a Standard MIDI File: a column is a quarter note, the tempo is the one the
// transport really plays (the truncated interval), each of the 15 sounds has a channel and
// a General MIDI program of its own, the drum channel stays free, and each row sounds its
// pitch with row 9 on F4.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/RenderSong.h"

inline constexpr uint16_t MidiTicksPerColumn = 480;
inline constexpr uint8_t MidiKeyOfRow9 = 65;  // F4

// The MIDI channel (0-based) of note sound 1..15: 0..8, then 10..15, skipping the drums.
uint8_t MidiChannelOfSound(int32_t sound);
// The General MIDI program (0-based) that stands in for note sound 1..15.
uint8_t MidiProgramOfSound(int32_t sound);
// The key of a row: row 9 is F4, the others by their pitch ratio's semitones.
uint8_t MidiKeyOfRow(int row);

// `passes` passes of a looping song (one without loop), column 1 of the first on beat 1.
std::vector<uint8_t> SongToMidi(const TRenderSong& song, int passes, const std::string& title);

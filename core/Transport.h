#pragma once

#include <cstdint>

// The transport's arithmetic: how long a tick lasts, which ticks sound a column, where a
// pass ends and where the view stands on a tick. The window steps it from its timer; an
// offline renderer steps it on an ideal clock, tick k at k intervals after Play.

inline constexpr int MinTempo = 100;  // columns per minute
inline constexpr int MaxTempo = 700;

// The tick interval of a tempo, in whole milliseconds (truncated): a column lasts two ticks.
int IntervalFromTempo(int tempo);

// The scroll position that keeps the walking figure in view on a tick, before the scroll
// bar clamps it into its range: the figure walks 16 pixels a tick and stays 150 pixels
// from the left edge once the view moves.
int ScrollPositionOfTick(int32_t PlayTick);

// What the tick that just finished found.
enum class TPassEnd {
  Running,  // the song goes on
  Looped,   // the end was reached and the position is back at column 1
  Stopped,  // the end was reached without loop: playback stops
};

// Where playback stands. Each tick: if SoundsColumn(), the caller sounds column PlayColumn
// with VoiceColumn (which advances it); then FinishTick() moves on and applies the end rule.
struct TPlayPosition {
  int32_t PlayColumn = 0;  // the column to sound next
  int32_t PlayTick = 0;    // ticks of the current pass, from 1

  // Play, and a loop: the first tick after it is silent, column 1 sounds on the second.
  void Rewind() {
    PlayColumn = 1;
    PlayTick = 1;
  }
  // Column n sounds on tick 2n.
  bool SoundsColumn() const { return PlayTick % 2 == 0; }
  // The song is columns 1 .. EndColumn - 1; the end is found on the tick that sounds the
  // last of them (or at once when there is none). Loop is read only there.
  TPassEnd FinishTick(int32_t EndColumn, bool Loop);
};

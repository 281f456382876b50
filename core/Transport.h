#pragma once

#include <cstdint>

// The transport's arithmetic: how long a tick lasts, what each tick does, where a pass ends
// and where the view stands on a tick. The window, the sequencer on the audio clock and the
// renderer all step the same tick.

inline constexpr int MinTempo = 100;  // columns per minute
inline constexpr int MaxTempo = 700;

// The tick interval of a tempo, in whole milliseconds (truncated): a column lasts two ticks.
int IntervalFromTempo(int tempo);

// The first frame of tick k at `rate` frames a second, counted from the frame of tick 0:
// k x interval ms to the nearest frame (halves up), so that no rounding error builds up
// over a long song.
constexpr int64_t FrameOfTick(int64_t tick, int intervalMs, int rate) {
  return (tick * intervalMs * rate + 500) / 1000;
}

// Whole milliseconds from frame `now` to frame `frame` at `rate`, rounded up, so that a
// timer set for it comes no earlier; 0 for a frame already reached.
int MillisecondsUntil(int64_t frame, int64_t now, int rate);

// The scroll position that keeps the walking figure in view on a tick, before the scroll
// bar clamps it into its range: the figure walks a half column a tick and stays at its
// hold place once the view moves.
int ScrollPositionOfTick(int32_t PlayTick);

// How the tick that just finished left the pass.
enum class TPassEnd {
  Running,  // the song goes on
  Looped,   // the end was reached and the position is back at column 1
  Stopped,  // the end was reached without loop: playback stops
};

// What one tick does.
struct TTick {
  int32_t PlayTick = 0;  // the tick the figure stands on while it is drawn
  int32_t Column = 0;    // the column it sounds, 0 for none
  TPassEnd End = TPassEnd::Running;
  friend bool operator==(const TTick&, const TTick&) = default;
};

// Where playback stands: the column to sound next and the tick of the current pass.
struct TPlayPosition {
  int32_t PlayColumn = 0;
  int32_t PlayTick = 0;

  // Play from column `first`: the first tick after it is silent and the second sounds it.
  // A loop always comes back to column 1.
  void Rewind(int32_t first = 1) {
    PlayColumn = first;
    PlayTick = 2 * first - 1;
  }
  // One tick: column n sounds on tick 2n. The song is columns 1 .. EndColumn - 1; the end
  // is found on the tick that sounds the last of them (or at once when there is none), and
  // Loop is read only there.
  TTick Tick(int32_t EndColumn, bool Loop);
  friend bool operator==(const TPlayPosition&, const TPlayPosition&) = default;
};

// How many passes of a looping song play before playback stops (a render's loops); with no
// limit, only Stop ends a looping song. Every player counts its passes here.
struct TPassCount {
  int Limit = 0;  // 0 for no limit
  int Done = 0;

  // Whether playback ends with `tick`: the end of a song that does not loop, or of the last
  // pass of one that does.
  bool Ends(const TTick& tick) {
    if (tick.End == TPassEnd::Stopped) return true;
    return tick.End == TPassEnd::Looped && Limit > 0 && ++Done >= Limit;
  }
};

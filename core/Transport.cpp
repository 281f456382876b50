#include "core/Transport.h"

#include "core/ScoreGeometry.h"

int IntervalFromTempo(int tempo) { return static_cast<int>(30000.0 / tempo); }

int MillisecondsUntil(int64_t frame, int64_t now, int rate) {
  if (frame <= now || rate <= 0) return 0;
  return static_cast<int>(((frame - now) * 1000 + rate - 1) / rate);
}

int ScrollPositionOfTick(int32_t PlayTick) { return FigureX(PlayTick, 0) - FigureHoldX; }

TTick TPlayPosition::Tick(int32_t EndColumn, bool Loop) {
  TTick tick;
  tick.PlayTick = PlayTick;
  if (PlayTick % 2 == 0) tick.Column = PlayColumn++;
  ++PlayTick;
  if (PlayColumn < EndColumn) return tick;
  if (Loop) {
    Rewind();
    tick.End = TPassEnd::Looped;
  } else {
    tick.End = TPassEnd::Stopped;
  }
  return tick;
}

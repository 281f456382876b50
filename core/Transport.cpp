#include "core/Transport.h"

int IntervalFromTempo(int tempo) { return static_cast<int>(30000.0 / tempo); }

int ScrollPositionOfTick(int32_t PlayTick) { return PlayTick * 16 - 100; }

TPassEnd TPlayPosition::FinishTick(int32_t EndColumn, bool Loop) {
  ++PlayTick;
  if (PlayColumn < EndColumn) return TPassEnd::Running;
  if (!Loop) return TPassEnd::Stopped;
  Rewind();
  return TPassEnd::Looped;
}

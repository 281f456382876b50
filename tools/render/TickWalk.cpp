#include "tools/render/TickWalk.h"

#include "core/Transport.h"

int64_t WalkTicks(int32_t EndColumn, bool Loop, int passes,
                  const std::function<void(int64_t tick, int32_t column)>& onColumn) {
  TPlayPosition position;
  position.Rewind();
  int passesLeft = passes;
  for (int64_t tick = 1;; ++tick) {
    if (position.SoundsColumn()) {
      onColumn(tick, position.PlayColumn);
      ++position.PlayColumn;
    }
    const TPassEnd end = position.FinishTick(EndColumn, Loop);
    if (end == TPassEnd::Stopped) return tick;
    if (end == TPassEnd::Looped && --passesLeft <= 0) return tick;
  }
}

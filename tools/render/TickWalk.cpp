#include "tools/render/TickWalk.h"

#include "core/Transport.h"

int64_t WalkTicks(int32_t EndColumn, bool Loop, int passes,
                  const std::function<void(int64_t tick, int32_t column)>& onColumn) {
  TPlayPosition position;
  position.Rewind();
  int passesLeft = passes;
  for (int64_t k = 1;; ++k) {
    const TTick tick = position.Tick(EndColumn, Loop);
    if (tick.Column != 0) onColumn(k, tick.Column);
    if (tick.End == TPassEnd::Stopped) return k;
    if (tick.End == TPassEnd::Looped && --passesLeft <= 0) return k;
  }
}

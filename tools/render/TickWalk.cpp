#include "tools/render/TickWalk.h"

#include <algorithm>

#include "core/Transport.h"

int64_t WalkTicks(int32_t EndColumn, bool Loop, int passes,
                  const std::function<void(int64_t tick, int32_t column)>& onColumn) {
  TPlayPosition position;
  position.Rewind();
  TPassCount count{std::max(1, passes)};  // a walk must end
  for (int64_t k = 1;; ++k) {
    const TTick tick = position.Tick(EndColumn, Loop);
    if (tick.Column != 0) onColumn(k, tick.Column);
    if (count.Ends(tick)) return k;
  }
}

// Playback on an ideal clock: tick k falls exactly k intervals after Play. The renderer
// and the MIDI writer walk the same ticks, so the audio and the notes agree.
#pragma once

#include <cstdint>
#include <functional>

// Steps the transport from Play through `passes` passes of a looping song (one pass
// without loop). onColumn(tick, column) runs on each tick that sounds a column. Returns
// the tick that found the end of the last pass, where playback stops.
int64_t WalkTicks(int32_t EndColumn, bool Loop, int passes,
                  const std::function<void(int64_t tick, int32_t column)>& onColumn);

// The first frame of tick k at `rate` frames a second: k x interval ms, to the nearest
// frame (halves up), so that no rounding error builds up over a long song.
inline int64_t FrameOfTick(int64_t tick, int intervalMs, int rate) {
  return (tick * intervalMs * rate + 500) / 1000;
}

// Playback on an ideal clock: tick k falls exactly k intervals after Play. The MIDI writer
// walks the same core tick as every player, so the audio and the notes agree.
#pragma once

#include <cstdint>
#include <functional>

// Steps the transport from Play through `passes` passes of a looping song (one pass
// without loop). onColumn(tick, column) runs on each tick that sounds a column. Returns
// the tick that found the end of the last pass, where playback stops.
int64_t WalkTicks(int32_t EndColumn, bool Loop, int passes,
                  const std::function<void(int64_t tick, int32_t column)>& onColumn);

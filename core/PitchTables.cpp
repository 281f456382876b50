#include "core/PitchTables.h"

#include <algorithm>

namespace {
struct TAltWave {
  int32_t Sound;
  int Wave;
  int LastRow;
};
// AltWaveTable: the sounds with a second recording and the rows that use it.
constexpr std::array<TAltWave, 9> AltWaveTable = {{{1, 21, 5},
                                                   {2, 28, 5},
                                                   {4, 22, 5},
                                                   {5, 23, 5},
                                                   {6, 24, 5},
                                                   {12, 25, 5},
                                                   {13, 29, 7},
                                                   {14, 26, 5},
                                                   {15, 27, 5}}};
// An alternate row always has its ratio.
static_assert(std::ranges::all_of(AltWaveTable,
                                  [](const TAltWave& alt) { return alt.LastRow <= AltRowCount; }));
}  // namespace

TNoteVoice ChooseVoice(int32_t sound, int row) {
  for (const TAltWave& alt : AltWaveTable) {
    if (alt.Sound == sound && row >= 1 && row <= alt.LastRow)
      return {alt.Wave, AltRowPitch[static_cast<std::size_t>(row)]};
  }
  return {static_cast<int>(sound), RowPitch[static_cast<std::size_t>(row)]};
}

#include "core/SongModel.h"

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
}  // namespace

TNoteVoice ChooseVoice(int32_t sound, int row, const TRowPitch& rowPitch,
                       const TAltRowPitch& altRowPitch) {
  for (const TAltWave& alt : AltWaveTable) {
    if (alt.Sound == sound && row >= 1 && row <= alt.LastRow)
      return {alt.Wave, altRowPitch[static_cast<std::size_t>(row)]};
  }
  return {static_cast<int>(sound), rowPitch[static_cast<std::size_t>(row)]};
}

#include "tools/render/WaveContainer.h"

#include <algorithm>
#include <cmath>

#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "core/SampleCheck.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd_wavefile.h"
#include "tools/render/TickWalk.h"

namespace {

double LowestRatio() {
  const auto lowest = [](const auto& ratios) {
    return *std::min_element(ratios.begin() + 1, ratios.end());
  };
  return std::min(lowest(RowPitch), lowest(AltRowPitch));
}

// How long sample `wave` of `folder` sounds at `rate` at the lowest ratio, in frames; none
// for a file the loader refuses (its notes are silent).
double RingingFrames(const std::filesystem::path& folder, int wave, int rate) {
  const TDDSDWaveFile file((folder / WaveFileName(wave).filename()).string(), false);
  const dsound::WAVEFORMATEX& format = file.Format();
  if (file.Fault() != TDDSDWaveFault::None || format.nBlockAlign == 0 || format.nSamplesPerSec == 0)
    return 0;
  const double frames = static_cast<double>(file.DataSize() / format.nBlockAlign);
  // A channel's frequency is truncated to whole hertz.
  const double hertz = std::max(1.0, std::floor(format.nSamplesPerSec * LowestRatio()));
  return frames * rate / hertz;
}

}  // namespace

TWaveContainer WaveContainerFor(int64_t frames) {
  return frames <= kRiffWaveFrameLimit ? TWaveContainer::Riff : TWaveContainer::Rf64;
}

int64_t RenderFrameBound(const TRenderSong& song, int passes,
                         const std::filesystem::path& waveFolder, int rate) {
  const int64_t lastTick =
      WalkTicks(song.Song.EndColumn, song.Settings.Loop, passes, [](int64_t, int32_t) {});
  const int64_t songFrames = FrameOfTick(lastTick, IntervalFromTempo(song.Settings.Tempo), rate);
  double ringing = 0;
  if (!waveFolder.empty())
    for (int wave : WavesOfSong(song.Song))
      ringing = std::max(ringing, RingingFrames(waveFolder, wave, rate));
  return songFrames + static_cast<int64_t>(std::ceil(ringing)) + rate;
}

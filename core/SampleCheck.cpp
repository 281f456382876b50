#include "core/SampleCheck.h"

#include <algorithm>

#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "sound/ddsd/ddsd_wavefile.h"

std::optional<TSampleProblem> CheckWaveFile(const std::filesystem::path& folder, int wave) {
  const std::filesystem::path file = folder / WaveFileName(wave).filename();
  const TDDSDWaveFile checked(file.string(), false);
  if (checked.Fault() != TDDSDWaveFault::None) return TSampleProblem{wave, file, checked.Cause()};
  if (!checked.Damage().empty()) return TSampleProblem{wave, file, checked.Damage(), true};
  return std::nullopt;
}

std::vector<TSampleProblem> CheckWaveFiles(const std::filesystem::path& folder) {
  std::vector<TSampleProblem> problems;
  for (int n = 1; n <= WaveBankSize; ++n)
    if (std::optional<TSampleProblem> problem = CheckWaveFile(folder, n))
      problems.push_back(std::move(*problem));
  return problems;
}

std::vector<int> WavesOfSong(const TSong& song) {
  std::vector<int> waves;
  const int lastColumn = std::min<int>(song.EndColumn - 1, ColumnCount);
  for (int column = 1; column <= lastColumn; ++column) {
    // Playback voices at most the three topmost notes of a column.
    int voiced = 0;
    for (int row = 1; row <= RowCount && voiced < MaxNotesPerColumn; ++row) {
      const int32_t sound = song.Cell(row, column);
      if (sound == 0) continue;
      ++voiced;
      const int wave = ChooseVoice(sound, row).Wave;
      if (wave >= 1 && wave <= WaveBankSize) waves.push_back(wave);
    }
  }
  std::ranges::sort(waves);
  waves.erase(std::unique(waves.begin(), waves.end()), waves.end());
  return waves;
}

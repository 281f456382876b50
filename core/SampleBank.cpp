#include "core/SampleBank.h"

#include <exception>
#include <string>

#include "sound/ddsd/ddsd.h"

std::filesystem::path WaveFileName(int n) {
  return std::filesystem::path("waves") / ("Sound" + std::to_string(n) + ".wav");
}

bool FillWaveBank(TWaveBank& bank, TDDSD& ddsd, const std::filesystem::path& folder) {
  try {
    for (int n = 1; n <= WaveBankSize; ++n)
      bank[static_cast<std::size_t>(n)] =
          std::make_unique<TDDSDWaveData>(&ddsd, (folder / WaveFileName(n).filename()).string());
  } catch (const std::exception&) {
    return false;
  }
  if (!ddsd.Available()) return true;
  for (int n = 1; n <= WaveBankSize; ++n)
    if (!bank[static_cast<std::size_t>(n)]->Buffer()) return false;
  return true;
}

void FreeWaveBank(TWaveBank& bank) {
  for (auto& wave : bank) wave.reset();
}

#include "app/SampleBank.h"

#include <exception>

#include "sound/ddsd.h"

QString WaveFileName(int n) { return QStringLiteral("waves/Sound%1.wav").arg(n); }

bool FillWaveBank(TWaveBank& bank, TDDSD& ddsd) {
  try {
    for (int n = 1; n <= WaveBankSize; ++n)
      bank[static_cast<std::size_t>(n)] =
          std::make_unique<TDDSDWaveData>(&ddsd, WaveFileName(n).toStdString());
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool WaveBankComplete(const TWaveBank& bank, const TDDSD& ddsd) {
  if (!ddsd.Available()) return true;
  for (int n = 1; n <= WaveBankSize; ++n) {
    const auto& wave = bank[static_cast<std::size_t>(n)];
    if (!wave || !wave->Buffer()) return false;
  }
  return true;
}

void FreeWaveBank(TWaveBank& bank) {
  for (auto& wave : bank) wave.reset();
}

#include "core/SampleBank.h"

#include <exception>
#include <string>

#include "sound/ddsd/ddsd.h"

std::filesystem::path WaveFileName(int n) {
  return std::filesystem::path("waves") / ("Sound" + std::to_string(n) + ".wav");
}

namespace {

// Why a sample holds no sound: its file's fault, or else the device's refusal (which ends
// the program unless the component was told to go on).
TSampleProblem ProblemOf(const std::filesystem::path& folder, int n, const std::string& refusal) {
  if (std::optional<TSampleProblem> problem = CheckWaveFile(folder, n)) return *problem;
  return {n, folder / WaveFileName(n).filename(), refusal};
}

}  // namespace

std::vector<TSampleProblem> FillWaveBank(TWaveBank& bank, TDDSD& ddsd,
                                         const std::filesystem::path& folder) {
  std::vector<TSampleProblem> problems;
  for (int n = 1; n <= WaveBankSize; ++n) {
    auto& slot = bank[static_cast<std::size_t>(n)];
    try {
      slot = std::make_unique<TDDSDWaveData>(&ddsd, (folder / WaveFileName(n).filename()).string());
    } catch (const std::exception& e) {
      problems.push_back(ProblemOf(folder, n, e.what()));
      return problems;
    }
    if (!ddsd.Available()) continue;
    if (!slot->Buffer())
      problems.push_back(ProblemOf(folder, n, "the sound device could not make its buffer"));
    else if (std::optional<TSampleProblem> damage = CheckWaveFile(folder, n))
      problems.push_back(std::move(*damage));
  }
  return problems;
}

std::vector<TSampleProblem> CheckUnloadedWaveBank(const TDDSD& ddsd,
                                                  const std::filesystem::path& folder) {
  if (ddsd.Available()) return {};
  return CheckWaveFiles(folder);
}

void FreeWaveBank(TWaveBank& bank) {
  for (auto& wave : bank) wave.reset();
}

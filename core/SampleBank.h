#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/SampleCheck.h"

class TDDSD;
class TDDSDWaveData;

// WaveBank[1..29]: 1..15 the note sounds, 16 the end-marker tool's, 17..19 unused effects,
// 20 the eraser's, 21..29 the alternate recordings of the top rows. Slot 0 is unused.
inline constexpr int WaveBankSize = 29;
inline constexpr int EndMarkerWave = 16;
inline constexpr int EraserWave = 20;
using TWaveBank = std::array<std::unique_ptr<TDDSDWaveData>, WaveBankSize + 1>;

// The format the program asks of the device before it loads the samples: 23160 samples a
// second (not 22050), 16-bit, stereo.
inline constexpr int32_t PrimaryFormatRate = 23160;
inline constexpr uint16_t PrimaryFormatBits = 16;
inline constexpr bool PrimaryFormatStereo = true;

// "waves/SoundN.wav": the name the program has always loaded, relative to the current folder.
std::filesystem::path WaveFileName(int n);

// Loads the 29 samples from `folder` on `ddsd` in ascending order. Returns the samples left
// without sound data, each with what is wrong, and those that play damaged (Plays); none
// without a device, which loads nothing.
// When making a sample raises, loading stops there: that entry and every later one stay
// empty, and the one that raised is the last problem.
std::vector<TSampleProblem> FillWaveBank(
    TWaveBank& bank, TDDSD& ddsd,
    const std::filesystem::path& folder = WaveFileName(1).parent_path());

// The sample files that FillWaveBank found no device to load, checked by the loader's own
// rules: for a start without sound that still wants to know. Empty when `ddsd` has a
// device (FillWaveBank then said it all).
std::vector<TSampleProblem> CheckUnloadedWaveBank(const TDDSD& ddsd,
                                                  const std::filesystem::path& folder);

// Frees the samples in ascending order; they must go before their component does.
void FreeWaveBank(TWaveBank& bank);

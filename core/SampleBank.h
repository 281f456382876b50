#pragma once

#include <array>
#include <filesystem>
#include <memory>

#include "core/SongModel.h"

class TDDSD;
class TDDSDWaveData;

// WaveBank[1..29]: 1..15 the note sounds, 16 the end-marker tool's, 17..19 unused effects,
// 20 the eraser's, 21..29 the alternate recordings of the top rows. Slot 0 is unused.
using TWaveBank = std::array<std::unique_ptr<TDDSDWaveData>, WaveBankSize + 1>;

// "waves/SoundN.wav", relative to the current directory.
std::filesystem::path WaveFileName(int n);

// Loads the 29 samples on `ddsd` in ascending order. Returns false when loading stopped
// on an exception, leaving the entries from the failing one onwards empty.
bool FillWaveBank(TWaveBank& bank, TDDSD& ddsd);

// Whether every sample holds sound data (always true without a device, which loads none).
bool WaveBankComplete(const TWaveBank& bank, const TDDSD& ddsd);

// Frees the samples in ascending order; they must go before their component does.
void FreeWaveBank(TWaveBank& bank);

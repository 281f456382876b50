#pragma once

#include <cstdint>

#include "core/SampleBank.h"
#include "core/SongModel.h"

class TDDSD;

// Playback's two banks of channels: odd columns sound on 1..3, even ones on 5..7.
inline constexpr int OddColumnBank = 1;
inline constexpr int EvenColumnBank = 5;
inline constexpr int BankChannelCount = MaxNotesPerColumn;

// Sounds one column. The notes take their bank's channels topmost first; a column with
// notes silences the other bank and starts its notes together once every channel is set up.
// An empty column (or one outside the grid) leaves every channel ringing as it was.
void VoiceColumn(const TSong& song, const TWaveBank& bank, TDDSD& ddsd, int32_t column);

// Play silences both banks, the even one first.
void StopPlaybackBanks(TDDSD& ddsd);

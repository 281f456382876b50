#pragma once

#include "core/SampleBank.h"
#include "core/SongModel.h"

class TDDSD;

// What sounding a column needs: the song, the samples, the pitch tables and the device.
struct TVoicingContext {
  const TSong& Song;
  const TWaveBank& WaveBank;
  const TRowPitch& RowPitch;
  const TAltRowPitch& AltRowPitch;
  TDDSD& DDSD;
};

// Sounds column `PlayColumn` and moves it on by one. Odd columns play on channels 1..3,
// even ones on 5..7, the topmost note first; a column with notes silences the other bank
// and starts its notes together once every channel is set up. An empty column leaves
// every channel ringing as it was.
void VoiceColumn(const TVoicingContext& context, int32_t& PlayColumn);

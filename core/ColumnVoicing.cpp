#include "core/ColumnVoicing.h"

#include "core/PitchTables.h"
#include "sound/ddsd/ddsd.h"

void VoiceColumn(const TSong& song, const TWaveBank& bank, TDDSD& ddsd, int32_t column) {
  const bool odd = column % 2 != 0;
  const int first = odd ? OddColumnBank : EvenColumnBank;
  int k = first;
  if (column >= 1 && column <= ColumnCount) {
    // A column never holds more than three notes; the bound keeps a bank within its channels.
    for (int row = 1; row <= RowCount && k < first + BankChannelCount; ++row) {
      const int32_t sound = song.Cell(row, column);
      if (sound == 0) continue;
      const TNoteVoice voice = ChooseVoice(sound, row);
      TDDSDChannel* channel = ddsd.Channels(k);
      channel->setWaveData(bank[static_cast<std::size_t>(voice.Wave)].get());
      channel->SetFrequencyRatio(voice.Ratio);
      ++k;
    }
  }
  if (k == first) return;

  const int other = odd ? EvenColumnBank : OddColumnBank;
  for (int ch = other; ch < other + BankChannelCount; ++ch) ddsd.Channels(ch)->Stop();
  for (int ch = first; ch < k; ++ch) ddsd.Channels(ch)->Play();
}

void StopPlaybackBanks(TDDSD& ddsd) {
  for (int first : {EvenColumnBank, OddColumnBank})
    for (int ch = first; ch < first + BankChannelCount; ++ch) ddsd.Channels(ch)->Stop();
}

#include "core/ColumnVoicing.h"

#include "core/PitchTables.h"
#include "sound/ddsd/ddsd.h"

void VoiceColumn(const TSong& song, const TWaveBank& bank, TDDSD& ddsd, int32_t& PlayColumn) {
  const bool odd = PlayColumn % 2 != 0;
  const int first = odd ? OddColumnBank : EvenColumnBank;
  int k = first;
  if (PlayColumn >= 1 && PlayColumn <= ColumnCount) {
    // A column never holds more than three notes; the bound keeps a bank within its channels.
    for (int row = 1; row <= RowCount && k < first + BankChannelCount; ++row) {
      const int32_t sound = song.Cell(row, PlayColumn);
      if (sound == 0) continue;
      const TNoteVoice voice = ChooseVoice(sound, row);
      TDDSDChannel* channel = ddsd.Channels(k);
      channel->setWaveData(bank[static_cast<std::size_t>(voice.Wave)].get());
      channel->SetFrequencyRatio(voice.Ratio);
      ++k;
    }
  }
  ++PlayColumn;
  if (k == first) return;

  const int other = odd ? EvenColumnBank : OddColumnBank;
  for (int ch = other; ch < other + BankChannelCount; ++ch) ddsd.Channels(ch)->Stop();
  for (int ch = first; ch < k; ++ch) ddsd.Channels(ch)->Play();
}

#include "core/ColumnVoicing.h"

#include "sound/ddsd.h"

void VoiceColumn(const TVoicingContext& c, int32_t& PlayColumn) {
  const int first = PlayColumn % 2 != 0 ? 1 : 5;
  int k = first;
  if (PlayColumn >= 1 && PlayColumn <= ColumnCount) {
    // A column never holds more than three notes; the bound keeps a bank within its channels.
    for (int row = 1; row <= RowCount && k < first + MaxNotesPerColumn; ++row) {
      const int32_t v = c.Song.Cell(row, PlayColumn);
      if (v == 0) continue;
      const TNoteVoice voice = ChooseVoice(v, row, c.RowPitch, c.AltRowPitch);
      TDDSDChannel* channel = c.DDSD.Channels(k);
      channel->setWaveData(c.WaveBank[static_cast<std::size_t>(voice.Wave)].get());
      channel->SetFrequencyRatio(voice.Ratio);
      ++k;
    }
  }
  ++PlayColumn;
  if (k == first) return;

  const int other = first == 1 ? 5 : 1;
  for (int ch = other; ch < other + 3; ++ch) c.DDSD.Channels(ch)->Stop();
  for (int ch = first; ch < k; ++ch) c.DDSD.Channels(ch)->Play();
}

#include "core/Audition.h"

#include "sound/ddsd/ddsd.h"

void Audition(TDDSD& ddsd, const TWaveBank& bank, const TAudition& heard) {
  if (heard.Kind == TAudition::None) return;
  TDDSDChannel* channel = ddsd.Channels(AuditionChannel);
  TDDSDWaveData* wave = bank[static_cast<std::size_t>(heard.Voice.Wave)].get();
  switch (heard.Kind) {
    case TAudition::Click:
      channel->Stop();
      channel->setWaveData(wave);
      channel->SetFrequencyRatio(heard.Voice.Ratio);
      break;
    case TAudition::Eraser:
      channel->setWaveData(wave);
      channel->SetFrequencyRatio(heard.Voice.Ratio);
      channel->Stop();
      break;
    case TAudition::Palette:
      channel->setWaveData(wave);
      channel->Stop();
      break;
    case TAudition::None:
      break;
  }
  channel->Play();
}

#pragma once

#include <algorithm>

#include "core/SongText.h"
#include "core/Transport.h"

// Tempo, loop and time signature kept in plain variables: the document's, and those of tools
// that read a song without one.
class TSongSettings final : public TSongSettingsTarget {
 public:
  TSongSettingsValues Values;

  void ApplyTempo(int32_t tempo) override { Values.Tempo = std::clamp(tempo, MinTempo, MaxTempo); }
  void ApplyLoop(bool on) override { Values.Loop = on; }
  void ApplyTime44(bool on) override { Values.Time44 = on; }
};

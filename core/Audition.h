#pragma once

#include "core/PitchTables.h"
#include "core/SampleBank.h"

class TDDSD;

// The editor's sounds play on channel 0, the one channel playback never uses.
inline constexpr int AuditionChannel = 0;

// What an edit lets the user hear, and in which order the channel is set up for it.
struct TAudition {
  enum TKind {
    None,     // nothing is heard
    Click,    // a note or the end marker on the grid: stop, sample, ratio, play
    Eraser,   // a cleared note: sample, ratio, stop, play
    Palette,  // a chosen tool: sample, stop, play, at the sample's own rate
  };
  TKind Kind = None;
  TNoteVoice Voice;
};

// Sounds `heard` on the audition channel. An empty bank entry leaves the channel silent.
void Audition(TDDSD& ddsd, const TWaveBank& bank, const TAudition& heard);

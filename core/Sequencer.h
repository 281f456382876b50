#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "core/SampleBank.h"
#include "core/SongModel.h"
#include "core/Transport.h"
#include "sound/dsound/inheriting_mutex.h"

class TDDSD;

// One tick as it was mixed: the frame it fell on, what it did, and where playback stood
// after it.
struct TMixedTick {
  int64_t Frame = 0;
  TTick Tick;
  TPlayPosition After;
};

// Plays a song on the sample clock of the sound component's device. It fills every block
// the device mixes (the device's block mixer): it mixes up to each tick's frame, steps the
// core tick there and sounds the column with VoiceColumn, so a note starts on its tick's
// exact frame whoever pulls the blocks: a live output's thread, or the renderer as fast as
// it can. Tick k falls on FrameOfTick(k) after the frame Play took effect on; a new tempo
// counts from the last tick done.
//
// The controls (Play, Stop, tempo, loop) may be used from any thread; they take effect at
// the start of the next block. The mixed ticks are kept for whoever draws them.
class TSequencer {
 public:
  // Takes over the blocks of `ddsd`'s device, which must be open; `bank` must outlive it.
  TSequencer(TDDSD& ddsd, const TWaveBank& bank);
  // Gives the blocks back, after the one being mixed.
  ~TSequencer();
  TSequencer(const TSequencer&) = delete;
  TSequencer& operator=(const TSequencer&) = delete;

  struct TPlay {
    TSong Song;  // a copy: editing is off while playing, and a new song stops first
    int IntervalMs = 120;
    bool Loop = false;
    int32_t FirstColumn = 1;  // a loop still comes back to column 1
    int Passes = 0;           // passes of a looping song before it stops; 0 for no limit
  };
  // Stops both banks and starts from FirstColumn: the first tick comes one interval later.
  void Play(TPlay play);
  // Plays no further tick; the notes ring out.
  void Stop();
  // From the next tick on.
  void SetInterval(int intervalMs);
  // Read only at the end of a pass.
  void SetLoop(bool loop);

  // The ticks mixed at or before `frame`, oldest first, handed over once.
  std::vector<TMixedTick> TakeTicksUpTo(int64_t frame);
  // The frame of the next tick not handed over yet, mixed or due; none once stopped.
  std::optional<int64_t> NextTickFrame() const;
  // Whether the last block mixed ended playing.
  bool Playing() const;

  // The block mixer: fills `frames` frames of `out` through the device. True while playing.
  bool Render(float* out, uint32_t frames);

 private:
  struct TCommand {
    enum TKind { Play, Stop, Interval } Kind;
    TPlay Start;
    int IntervalMs = 0;
    int Generation = 0;
  };
  void NewGeneration();  // under mutex_
  void Apply(TCommand& command, int64_t now);
  int64_t DueFrame() const;
  void DoTick(int64_t frame);

  TDDSD& ddsd_;
  const TWaveBank& bank_;

  // The mixing side's own, touched only while a block is mixed.
  TPlay play_;
  int rate_ = 0;
  TPlayPosition position_;
  bool playing_ = false;
  int passesDone_ = 0;
  int64_t anchorFrame_ = 0;  // the frame of tick anchorTick_
  int64_t anchorTick_ = 0;
  int64_t ticksDone_ = 0;  // since Play
  int64_t lastTickFrame_ = 0;
  int mixGeneration_ = 0;  // of the Play or Stop last applied

  // Shared with the controls and the readers. Each Play and Stop begins a generation: what
  // a block already under way mixes for an earlier one is not shown.
  mutable dsound::InheritingMutex mutex_;  // the output's thread waits for it
  int generation_ = 0;
  std::vector<TCommand> commands_;
  bool loop_ = false;
  std::deque<TMixedTick> mixed_;
  std::optional<int64_t> due_;  // the next tick still to be mixed
  bool playingShown_ = false;
};

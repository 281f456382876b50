#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/LatestSlot.h"
#include "core/SampleBank.h"
#include "core/SongModel.h"
#include "core/SpscRing.h"
#include "core/Transport.h"

class TDDSD;
namespace dsound {
class IDirectSound;
class LiveOutput;
}  // namespace dsound

// One tick as it was mixed: the frame it fell on, what it did, where playback stood after
// it, and whether playback ended with it.
struct TMixedTick {
  int64_t Frame = 0;
  TTick Tick;
  TPlayPosition After;
  bool Last = false;
};

// Plays a song on the sample clock. It fills every block that is pulled: it mixes up to
// each tick's frame, steps the core tick there and sounds the column with VoiceColumn, so a
// note starts on its tick's exact frame whoever pulls the blocks: a live output's thread,
// the renderer as fast as it can, or, for a sound component without a device, a null output
// on the monotonic clock (the blocks stay silent and the song still walks). Tick k falls on
// FrameOfTick(k) after the frame Play took effect on; a new tempo counts from the last tick.
//
// Two threads: the controls and the readers (Play, Stop, the tempo, the loop, the ticks) on
// one, the pulls on the other. They meet only in fixed slots, a ring and atomics, so a pull
// never waits for the controls and never allocates; a control takes effect at the start of
// the next block.
class TSequencer {
 public:
  // Takes over the blocks of `ddsd`'s device, which must be open; `bank` must outlive it.
  TSequencer(TDDSD& ddsd, const TWaveBank& bank);
  // For a component without a device: `clock` pulls the blocks, started here.
  TSequencer(TDDSD& ddsd, const TWaveBank& bank, std::unique_ptr<dsound::LiveOutput> clock);
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
  void Play(const TPlay& play);
  // Plays no further tick; the notes ring out.
  void Stop();
  // From the next tick on.
  void SetInterval(int intervalMs);
  // Read only at the end of a pass.
  void SetLoop(bool loop);

  // The ticks of the latest Play mixed at or before `frame`, oldest first, handed over once.
  std::vector<TMixedTick> TakeTicksUpTo(int64_t frame);
  // The frame of the next tick not handed over yet, mixed or due; none once stopped.
  std::optional<int64_t> NextTickFrame();
  // Playback as it is heard: from Play until Stop, or until the tick that ended it has been
  // handed over.
  bool Playing() const { return playing_; }
  // The frame being heard now and the frames a second, on the clock of the ticks' frames.
  int64_t HeardFrame() const;
  int32_t MixRate() const;

  // The block mixer: fills `frames` frames of `out`. True while playing.
  bool Render(float* out, uint32_t frames);

 private:
  // A Play or a Stop: each supersedes whatever came before it.
  struct TStart {
    int Generation = 0;
    bool Playing = false;
    TPlay Play;
  };
  struct TTickEntry {
    TMixedTick Mixed;
    int Generation = 0;
  };

  // The controls' side.
  void Start(bool playing, const TPlay& play);
  void Wake();
  void DropStaleTicks();
  // The pulls' side.
  void Apply(const TStart& start, int64_t now);
  void TakeInterval();
  int64_t DueFrame() const;
  void DoTick(int64_t frame);
  int64_t MixedFrames() const;
  void Mix(float* out, uint32_t frames);

  TDDSD& ddsd_;
  const TWaveBank& bank_;
  dsound::IDirectSound* device_ = nullptr;     // none for a component without a device
  std::unique_ptr<dsound::LiveOutput> clock_;  // what pulls then
  int64_t silentFrames_ = 0;                   // mixed then

  // The pulls' own.
  TPlay play_;
  int rate_ = 0;
  TPlayPosition position_;
  bool mixing_ = false;
  TPassCount passes_;
  int64_t anchorFrame_ = 0;  // the frame of tick anchorTick_
  int64_t anchorTick_ = 0;
  int64_t ticksDone_ = 0;  // since Play
  int64_t lastTickFrame_ = 0;
  int mixGeneration_ = 0;  // of the Play or Stop last applied
  uint64_t intervalSeen_ = 0;

  // The controls' own. Each Play and Stop begins a generation: what a block already under
  // way mixes for an earlier one is never shown.
  int generation_ = 0;
  bool playing_ = false;
  uint16_t intervalVersion_ = 0;

  // Shared. While nothing pulls, only the latest Play or Stop and the tempo after it still
  // matter: they wait in a slot and an atomic, never in a queue that could fill.
  TLatestSlot<TStart> start_;
  // The tempo set while playing: the generation, a version and the interval in ms.
  std::atomic<uint64_t> interval_{0};
  TSpscRing<TTickEntry, 1024> ticks_;  // far more than a window misses
  std::atomic<bool> loop_{false};
  // After each block: the next tick still to be mixed (-1 for none) and its generation.
  std::atomic<int64_t> dueFrame_{-1};
  std::atomic<int> dueGeneration_{0};
};

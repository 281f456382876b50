#include "core/Sequencer.h"

#include <algorithm>
#include <stdexcept>

#include "core/ColumnVoicing.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/live_output.h"

TSequencer::TSequencer(TDDSD& ddsd, const TWaveBank& bank)
    : ddsd_(ddsd), bank_(bank), device_(ddsd.DirectSound()) {
  if (device_ == nullptr) throw std::logic_error("the sequencer needs an open device");
  device_->SetBlockMixer([this](float* out, uint32_t frames) { return Render(out, frames); });
}

TSequencer::TSequencer(TDDSD& ddsd, const TWaveBank& bank,
                       std::unique_ptr<dsound::LiveOutput> clock)
    : ddsd_(ddsd), bank_(bank), clock_(std::move(clock)) {
  if (!clock_) throw std::logic_error("the sequencer needs something to pull its blocks");
  clock_->Start([this](float* out, uint32_t frames) { return Render(out, frames); });
}

TSequencer::~TSequencer() {
  if (device_ != nullptr) {
    device_->SetBlockMixer(nullptr);
    device_->PreferLongBlocks(false);
  }
  if (clock_) clock_->Stop();
}

// The controls' side.

namespace {
uint64_t PackInterval(int generation, uint16_t version, int intervalMs) {
  return static_cast<uint64_t>(static_cast<uint32_t>(generation)) << 32 | uint64_t{version} << 16 |
         static_cast<uint16_t>(intervalMs);
}
int GenerationOf(uint64_t interval) { return static_cast<int>(interval >> 32); }
int MillisecondsOf(uint64_t interval) { return static_cast<int>(interval & 0xFFFF); }
}  // namespace

void TSequencer::Play(const TPlay& play) {
  loop_ = play.Loop;
  Start(true, play);
  if (device_ != nullptr) device_->PreferLongBlocks(true);
  Wake();
}

void TSequencer::Stop() {
  // Nothing of the current generation is still to come once it has ended.
  if (playing_) Start(false, {});
  if (device_ != nullptr) device_->PreferLongBlocks(false);
}

void TSequencer::Start(bool playing, const TPlay& play) {
  ++generation_;
  playing_ = playing;
  DropStaleTicks();  // every tick waiting is of an earlier generation now
  TStart& start = start_.Back();
  start.Generation = generation_;
  start.Playing = playing;
  start.Play = play;
  start_.Publish();
}

void TSequencer::SetInterval(int intervalMs) {
  if (!playing_) return;  // the next Play brings its own
  interval_ = PackInterval(generation_, ++intervalVersion_, intervalMs);
}

void TSequencer::SetLoop(bool loop) { loop_ = loop; }

void TSequencer::Wake() {
  if (device_ != nullptr)
    device_->Wake();
  else
    clock_->Wake();
}

void TSequencer::DropStaleTicks() {
  while (const TTickEntry* entry = ticks_.Front()) {
    if (entry->Generation == generation_) return;
    ticks_.Pop();
  }
}

std::vector<TMixedTick> TSequencer::TakeTicksUpTo(int64_t frame) {
  std::vector<TMixedTick> heard;
  for (DropStaleTicks(); const TTickEntry* entry = ticks_.Front(); DropStaleTicks()) {
    if (entry->Mixed.Frame > frame) break;
    heard.push_back(entry->Mixed);
    if (entry->Mixed.Last) playing_ = false;
    ticks_.Pop();
  }
  return heard;
}

std::optional<int64_t> TSequencer::NextTickFrame() {
  // The state after a block first, then the ticks: a tick mixed since comes before it.
  const int before = dueGeneration_.load();
  const int64_t due = dueFrame_.load();
  const bool current = before == generation_ && dueGeneration_.load() == generation_;
  DropStaleTicks();
  if (const TTickEntry* entry = ticks_.Front()) return entry->Mixed.Frame;
  if (!current || due < 0) return std::nullopt;
  return due;
}

int64_t TSequencer::HeardFrame() const {
  return device_ != nullptr ? device_->HeardFrame() : clock_->HeardFrame();
}

int32_t TSequencer::MixRate() const {
  return device_ != nullptr ? device_->MixRate() : clock_->Rate();
}

// The pulls' side.

void TSequencer::Apply(const TStart& start, int64_t now) {
  mixGeneration_ = start.Generation;
  mixing_ = start.Playing;
  if (!mixing_) return;
  play_ = start.Play;
  rate_ = MixRate();
  position_.Rewind(play_.FirstColumn);
  StopPlaybackBanks(ddsd_);
  passes_ = {play_.Passes};
  anchorFrame_ = lastTickFrame_ = now;
  anchorTick_ = ticksDone_ = 0;
}

void TSequencer::TakeInterval() {
  const uint64_t interval = interval_.load(std::memory_order_acquire);
  if (interval == intervalSeen_ || GenerationOf(interval) != mixGeneration_ || !mixing_) return;
  intervalSeen_ = interval;
  // The tick in progress keeps its length no more: the next one counts from the last.
  play_.IntervalMs = MillisecondsOf(interval);
  anchorFrame_ = lastTickFrame_;
  anchorTick_ = ticksDone_;
}

int64_t TSequencer::DueFrame() const {
  return anchorFrame_ + FrameOfTick(ticksDone_ + 1 - anchorTick_, play_.IntervalMs, rate_);
}

void TSequencer::DoTick(int64_t frame) {
  const TTick tick = position_.Tick(play_.Song.EndColumn, loop_.load(std::memory_order_relaxed));
  ++ticksDone_;
  lastTickFrame_ = frame;
  if (tick.Column != 0) VoiceColumn(play_.Song, bank_, ddsd_, tick.Column);
  const bool last = passes_.Ends(tick);
  if (last) mixing_ = false;
  // The last slot is kept for a tick that ends playback: a reader that fell behind still
  // learns that it ended.
  if (ticks_.Free() > (last ? 0u : 1u))
    ticks_.TryPush({{frame, tick, position_, last}, mixGeneration_});
}

int64_t TSequencer::MixedFrames() const {
  return device_ != nullptr ? device_->MixedFrames() : silentFrames_;
}

void TSequencer::Mix(float* out, uint32_t frames) {
  if (device_ != nullptr) {
    device_->Mix(out, frames);
    return;
  }
  std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
  silentFrames_ += frames;
}

bool TSequencer::Render(float* out, uint32_t frames) {
  const int64_t start = MixedFrames();
  if (const TStart* begun = start_.Take()) Apply(*begun, start);
  TakeInterval();

  uint32_t done = 0;
  while (done < frames) {
    uint32_t piece = frames - done;
    if (mixing_) {
      const int64_t now = start + done;
      const int64_t due = DueFrame();
      if (due == now) {
        DoTick(due);
        continue;
      }
      if (due < now) {
        // A tick that a faster tempo made overdue plays at once, and the next counts from it.
        DoTick(now);
        anchorFrame_ = now;
        anchorTick_ = ticksDone_;
        continue;
      }
      piece = static_cast<uint32_t>(std::min<int64_t>(piece, due - now));
    }
    Mix(out + 2 * static_cast<std::size_t>(done), piece);
    done += piece;
  }

  dueFrame_ = mixing_ ? DueFrame() : -1;
  dueGeneration_ = mixGeneration_;
  return mixing_;
}

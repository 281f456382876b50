#include "core/Sequencer.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "core/ColumnVoicing.h"
#include "sound/ddsd/ddsd.h"

namespace {
// Ticks kept for a reader that does not come: far more than any window misses.
constexpr std::size_t kKeptTicks = 4096;
}  // namespace

TSequencer::TSequencer(TDDSD& ddsd, const TWaveBank& bank) : ddsd_(ddsd), bank_(bank) {
  ddsd_.DirectSound()->SetBlockMixer(
      [this](float* out, uint32_t frames) { return Render(out, frames); });
}

TSequencer::~TSequencer() { ddsd_.DirectSound()->SetBlockMixer(nullptr); }

void TSequencer::Play(TPlay play) {
  {
    const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
    loop_ = play.Loop;
    NewGeneration();
    commands_.push_back({TCommand::Play, std::move(play), 0, generation_});
  }
  ddsd_.DirectSound()->Wake();
}

void TSequencer::Stop() {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  NewGeneration();
  commands_.push_back({TCommand::Stop, {}, 0, generation_});
}

void TSequencer::NewGeneration() {
  ++generation_;
  mixed_.clear();
  due_.reset();
  playingShown_ = false;
}

void TSequencer::SetInterval(int intervalMs) {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  commands_.push_back({TCommand::Interval, {}, intervalMs, generation_});
}

void TSequencer::SetLoop(bool loop) {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  loop_ = loop;
}

std::vector<TMixedTick> TSequencer::TakeTicksUpTo(int64_t frame) {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  std::vector<TMixedTick> heard;
  while (!mixed_.empty() && mixed_.front().Frame <= frame) {
    heard.push_back(mixed_.front());
    mixed_.pop_front();
  }
  return heard;
}

std::optional<int64_t> TSequencer::NextTickFrame() const {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  if (!mixed_.empty()) return mixed_.front().Frame;
  return due_;
}

bool TSequencer::Playing() const {
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  return playingShown_;
}

void TSequencer::Apply(TCommand& command, int64_t now) {
  switch (command.Kind) {
    case TCommand::Play:
      mixGeneration_ = command.Generation;
      play_ = std::move(command.Start);
      rate_ = ddsd_.DirectSound()->MixRate();
      position_.Rewind(play_.FirstColumn);
      StopPlaybackBanks(ddsd_);
      playing_ = true;
      passesDone_ = 0;
      anchorFrame_ = lastTickFrame_ = now;
      anchorTick_ = ticksDone_ = 0;
      break;
    case TCommand::Stop:
      mixGeneration_ = command.Generation;
      playing_ = false;
      break;
    case TCommand::Interval:
      // The tick in progress keeps its length no more: the next one counts from the last.
      play_.IntervalMs = command.IntervalMs;
      anchorFrame_ = lastTickFrame_;
      anchorTick_ = ticksDone_;
      break;
  }
}

int64_t TSequencer::DueFrame() const {
  return anchorFrame_ + FrameOfTick(ticksDone_ + 1 - anchorTick_, play_.IntervalMs, rate_);
}

void TSequencer::DoTick(int64_t frame) {
  bool loop = false;
  {
    const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
    loop = loop_;
  }
  const TTick tick = position_.Tick(play_.Song.EndColumn, loop);
  ++ticksDone_;
  lastTickFrame_ = frame;
  if (tick.Column != 0) VoiceColumn(play_.Song, bank_, ddsd_, tick.Column);
  if (tick.End == TPassEnd::Stopped ||
      (tick.End == TPassEnd::Looped && play_.Passes > 0 && ++passesDone_ >= play_.Passes))
    playing_ = false;
  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  if (mixGeneration_ != generation_) return;
  if (mixed_.size() >= kKeptTicks) mixed_.pop_front();
  mixed_.push_back({frame, tick, position_});
}

bool TSequencer::Render(float* out, uint32_t frames) {
  dsound::IDirectSound& device = *ddsd_.DirectSound();
  std::vector<TCommand> commands;
  {
    const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
    commands.swap(commands_);
  }
  const int64_t start = device.MixedFrames();
  for (TCommand& command : commands) Apply(command, start);

  uint32_t done = 0;
  while (done < frames) {
    uint32_t piece = frames - done;
    if (playing_) {
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
    device.Mix(out + 2 * static_cast<std::size_t>(done), piece);
    done += piece;
  }

  const std::lock_guard<dsound::InheritingMutex> hold(mutex_);
  if (mixGeneration_ == generation_) {
    due_ = playing_ ? std::optional<int64_t>(DueFrame()) : std::nullopt;
    playingShown_ = playing_;
  }
  return playing_;
}

#include "tools/render/SongRenderer.h"

#include <algorithm>

#include "core/Sequencer.h"
#include "core/Transport.h"
#include "tools/render/RenderError.h"
#include "tools/render/TickWalk.h"

namespace {
constexpr int64_t kBlockFrames = 4096;
// The tails are mixed in short steps so that the output ends close to the last sound.
constexpr int64_t kTailFrames = 256;
}  // namespace

TSongRenderer::TSongRenderer(int rate, const std::filesystem::path& waveFolder, const TWarn& warn)
    : rate_(rate) {
  ddsd_ = std::make_unique<TDDSD>(nullptr);
  ddsd_->setOfflineMixRate(rate);
  // Failures raise, to be named or ended on here; nothing halts the process.
  ddsd_->setDebugOption(dsoExceptOnError);
  ddsd_->Loaded();
  if (!ddsd_->Available() || !ddsd_->DirectSound()->IsOffline())
    throw ERenderError("the offline sound device could not be opened");
  // The window mixes at 23160 Hz; here the mix runs at the output's rate, so that nothing is
  // resampled twice. A note's pitch is its sample's rate times the row's ratio either way.
  ddsd_->SetPrimaryFormat(rate, 16, true);
  // Every frame count here assumes the device mixes at exactly this rate.
  if (ddsd_->DirectSound()->MixRate() != rate)
    throw ERenderError("the sound device cannot mix at " + std::to_string(rate) + " Hz");
  // Dense columns never clip, as in the window.
  ddsd_->DirectSound()->SetLimiter(true);

  for (int n = 1; n <= WaveBankSize; ++n) {
    const std::filesystem::path file = waveFolder / WaveFileName(n).filename();
    auto& slot = bank_[static_cast<std::size_t>(n)];
    try {
      slot = std::make_unique<TDDSDWaveData>(ddsd_.get(), file.string());
    } catch (const EDDSD& e) {
      // A refusal of the device does not say which sample it was making.
      const std::string what = e.what();
      warn(what.starts_with(file.string()) ? what : file.string() + ": " + what);
      continue;
    }
    if (slot->Buffer() == nullptr) warn(file.string() + " holds no sound");
  }
}

TSongRenderer::~TSongRenderer() {
  // The samples go before their component.
  FreeWaveBank(bank_);
  ddsd_.reset();
}

void TSongRenderer::Mix(int64_t frames, const TSink& sink) {
  while (frames > 0) {
    const int64_t n = std::min(frames, kBlockFrames);
    block_.resize(static_cast<std::size_t>(2 * n));
    ddsd_->DirectSound()->RenderOffline(block_.data(), static_cast<uint32_t>(n));
    sink(block_.data(), static_cast<std::size_t>(n));
    frames -= n;
  }
}

bool TSongRenderer::AnyChannelPlaying() {
  for (uint32_t i = 0; i < ddsd_->ChannelCount(); ++i) {
    dsound::IDirectSoundBuffer* buffer = ddsd_->Channels(static_cast<int32_t>(i))->Buffer();
    dsound::DWORD status = 0;
    if (buffer != nullptr && buffer->GetStatus(&status) == dsound::DS_OK &&
        (status & dsound::DSBSTATUS_PLAYING) != 0)
      return true;
  }
  return false;
}

int64_t TSongRenderer::Render(const TRenderSong& song, int passes, const TSink& sink,
                              const TProgress& progress) {
  const int interval = IntervalFromTempo(song.Settings.Tempo);
  const int64_t lastTick =
      WalkTicks(song.Song.EndColumn, song.Settings.Loop, passes, [](int64_t, int32_t) {});
  const int64_t songFrames = FrameOfTick(lastTick, interval, rate_);

  // The window's own sequencer, pulled as fast as the device mixes.
  TSequencer sequencer(*ddsd_, bank_);
  sequencer.Play({song.Song, interval, song.Settings.Loop, 1, passes});
  // The limiter's look-ahead comes out first as silence; without it, every note starts on
  // its tick's frame.
  Mix(ddsd_->DirectSound()->LimiterDelay(), [](const float*, std::size_t) {});
  int64_t done = 0;
  while (done < songFrames) {
    const int64_t n = std::min(songFrames - done, kBlockFrames);
    Mix(n, sink);
    done += n;
    if (progress) progress(done, songFrames);
  }
  if (progress && songFrames == 0) progress(0, 0);

  // The ringing notes, until nothing plays and the mix has fallen silent. Silence is held
  // back until more sound follows, so the output ends on the last sound.
  int64_t heldSilence = 0;
  const std::vector<float> zeros(static_cast<std::size_t>(2 * kTailFrames), 0.0f);
  for (;;) {
    const bool playing = AnyChannelPlaying();
    bool silent = true;
    Mix(kTailFrames, [&](const float* frames, std::size_t count) {
      std::size_t sounding = count;
      while (sounding > 0 && frames[2 * sounding - 1] == 0.0f && frames[2 * sounding - 2] == 0.0f)
        --sounding;
      if (sounding == 0) {
        heldSilence += static_cast<int64_t>(count);
        return;
      }
      silent = false;
      done += heldSilence + static_cast<int64_t>(sounding);
      while (heldSilence > 0) {
        const int64_t n = std::min(heldSilence, kTailFrames);
        sink(zeros.data(), static_cast<std::size_t>(n));
        heldSilence -= n;
      }
      sink(frames, sounding);
      heldSilence = static_cast<int64_t>(count - sounding);
    });
    if (!playing && silent) break;
  }
  return done;
}

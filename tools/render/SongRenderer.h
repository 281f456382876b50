// Plays a song on the offline device with the window's sequencer, as fast as the device
// mixes, and hands the mix over in order.
//
// Tick k falls on frame round(k x interval x rate / 1000) after Play (FrameOfTick), and a
// note started on a tick begins on that tick's frame. The output begins at Play: column 1
// sounds two intervals in, as in the window. The mix passes the same peak limiter as the
// window's, its look-ahead taken out so that the notes keep their frames. After the tick
// that ends the last pass the ringing notes play out until every channel has stopped and
// the mix is silent.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/SampleBank.h"
#include "sound/ddsd/ddsd.h"
#include "tools/render/RenderSong.h"

class TSongRenderer {
 public:
  using TWarn = std::function<void(const std::string&)>;
  // Interleaved stereo frames, in order.
  using TSink = std::function<void(const float* frames, std::size_t count)>;
  // Frames done so far and the frames up to the end of the last pass.
  using TProgress = std::function<void(int64_t done, int64_t songFrames)>;

  // Opens the offline device at `rate` frames a second and loads the 29 samples from
  // `waveFolder`. A sample that does not load is named through `warn`; its notes stay
  // silent. ERenderError when no offline device can be opened.
  TSongRenderer(int rate, const std::filesystem::path& waveFolder, const TWarn& warn);
  ~TSongRenderer();
  TSongRenderer(const TSongRenderer&) = delete;
  TSongRenderer& operator=(const TSongRenderer&) = delete;

  // Plays `passes` passes of a looping song (one without loop) and its tails into `sink`.
  // Returns the number of frames handed over.
  int64_t Render(const TRenderSong& song, int passes, const TSink& sink,
                 const TProgress& progress = {});

  int Rate() const { return rate_; }

 private:
  void Mix(int64_t frames, const TSink& sink);
  bool AnyChannelPlaying();

  int rate_;
  std::unique_ptr<TDDSD> ddsd_;
  TWaveBank bank_;
  std::vector<float> block_;
};

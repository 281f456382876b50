// A live audio output: a stream to the default output device that pulls the mix block by
// block on its own thread, so that whatever fills the blocks works on the sample clock.
// The device layer mixes on OpenAL Soft's loopback device and hands the blocks over here;
// the output itself lives in a library of its own, which the window links and the
// renderer does not.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace dsound {

class LiveOutput {
 public:
  // Fills `frames` frames of interleaved float stereo (left, right) at Rate(). Returns
  // whether anything sounds or is about to: after a while of false the output may release
  // the device and stop pulling until Wake().
  using Pull = std::function<bool(float* out, uint32_t frames)>;

  virtual ~LiveOutput() = default;

  // Opens the default output and starts pulling; false when there is no output device (then
  // nothing is ever pulled). Called once.
  virtual bool Start(Pull pull) = 0;
  // Frames per second of the blocks; fixed from Start on, also when a lost device is
  // reopened.
  virtual int32_t Rate() const = 0;
  // Something is about to sound: an output that stopped pulling while idle resumes. Any
  // thread; never waits for the device.
  virtual void Wake() = 0;
  // A song plays (or no longer does): nobody waits for a click then, so an output may take
  // long blocks, which wake the sound server far less often; clicks want short ones. Any
  // thread; never waits for the device.
  virtual void PreferLongBlocks(bool) {}
  // The frame being heard now, counted in frames pulled since Start: the frames pulled less
  // those still waiting in the output's buffers, moved on by the time since the last pull.
  virtual int64_t HeardFrame() const = 0;
  // Stops pulling; no pull runs after this returns, and none runs again.
  virtual void Stop() = 0;
};

// How the device layer makes a live output for DirectSoundCreate. With none registered, or
// when it gives none, there is no output device.
using LiveOutputFactory = std::function<std::unique_ptr<LiveOutput>()>;
void SetLiveOutputFactory(LiveOutputFactory factory);

}  // namespace dsound

#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

// A recording of the wave-file writer (32-bit float WAVE, extensible format), reduced to its
// first channel, and where in it a known note starts.
class TRecording {
 public:
  // Reads the file; a header the writer never completed (sizes of 0xFFFFFFFF) is read up
  // to the end of the file. Throws std::runtime_error on anything else than float frames.
  static TRecording Read(const std::filesystem::path& file);
  TRecording(int rate, std::vector<float> frames) : rate_(rate), frames_(std::move(frames)) {}

  int Rate() const { return rate_; }
  const std::vector<float>& Frames() const { return frames_; }
  double Seconds(double frame) const { return frame / rate_; }

  // The first frame that is not silent, at or after `from`.
  std::optional<std::size_t> FirstSound(std::size_t from = 0, float threshold = 1e-4f) const;

  // Where a copy of `note` (a stretch of this or another recording at the same rate,
  // starting at its onset) begins, searched within frames [from, to): the offset where the
  // recording matches it best, by the least squared difference. A new note cuts or drowns
  // what rang before it, so its first milliseconds repeat sample for sample whenever the
  // mixer started it at a period's edge. `Residual` is the difference's energy against the
  // note's: near 0 for a true onset.
  struct TMatch {
    std::size_t Frame;
    double Residual;
  };
  TMatch FindNote(const std::vector<float>& note, std::size_t from, std::size_t to) const;

  // Frames [at, at + count) clipped to the recording.
  std::vector<float> Stretch(std::size_t at, std::size_t count) const;

 private:
  int rate_;
  std::vector<float> frames_;
};

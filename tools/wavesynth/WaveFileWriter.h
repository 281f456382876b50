#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace wavesynth {

// Writes the plainest WAVE file: RIFF, a 16-byte PCM fmt chunk, one channel of 16-bit
// samples, little-endian whatever the host.
class WaveFileWriter {
 public:
  explicit WaveFileWriter(std::uint32_t sampleRate);

  // The file image, so that it can be compared or written anywhere.
  std::vector<std::uint8_t> encode(const std::vector<std::int16_t>& samples) const;
  // Throws std::runtime_error when the file cannot be written.
  void write(const std::filesystem::path& path, const std::vector<std::int16_t>& samples) const;

 private:
  std::uint32_t sampleRate_;
};

}  // namespace wavesynth

#pragma once

// Reads a plain PCM WAVE file (RIFF, fmt, data) for tests; other chunks are skipped.
// Header-only.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace pomvik::test {

struct PcmWaveFile {
  std::uint32_t riffSize = 0;
  std::uint32_t fmtSize = 0;
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t byteRate = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::vector<std::int16_t> samples;  // 16-bit data only; empty for other widths

  // Samples scaled to [-1, 1).
  std::vector<double> unitSamples() const {
    std::vector<double> out;
    out.reserve(samples.size());
    for (std::int16_t s : samples) out.push_back(s / 32768.0);
    return out;
  }
};

inline std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path.string());
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Throws std::runtime_error on anything but a well-formed RIFF WAVE image.
inline PcmWaveFile parsePcmWave(const std::vector<std::uint8_t>& bytes) {
  auto u16 = [&](std::size_t at) {
    if (at + 2 > bytes.size()) throw std::runtime_error("truncated WAVE file");
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16);
  };
  auto tag = [&](std::size_t at) {
    if (at + 4 > bytes.size()) throw std::runtime_error("truncated WAVE file");
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
  };
  if (tag(0) != "RIFF" || tag(8) != "WAVE") throw std::runtime_error("not a RIFF WAVE file");
  PcmWaveFile wave;
  wave.riffSize = u32(4);
  bool haveFormat = false, haveData = false;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = tag(at);
    const std::uint32_t size = u32(at + 4);
    const std::size_t body = at + 8;
    if (body + size > bytes.size()) throw std::runtime_error("chunk runs past the file");
    if (id == "fmt ") {
      wave.fmtSize = size;
      wave.formatTag = u16(body);
      wave.channels = u16(body + 2);
      wave.sampleRate = u32(body + 4);
      wave.byteRate = u32(body + 8);
      wave.blockAlign = u16(body + 12);
      wave.bitsPerSample = u16(body + 14);
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) throw std::runtime_error("data before fmt");
      if (wave.bitsPerSample == 16) {
        for (std::size_t i = 0; i + 1 < size; i += 2) {
          wave.samples.push_back(static_cast<std::int16_t>(u16(body + i)));
        }
      }
      haveData = true;
    }
    at = body + size + (size & 1u);
  }
  if (!haveFormat || !haveData) throw std::runtime_error("fmt or data chunk missing");
  return wave;
}

}  // namespace pomvik::test

#include "tools/wavesynth/WaveFileWriter.h"

#include <fstream>
#include <stdexcept>

namespace wavesynth {

namespace {
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xFFFFu));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}
}  // namespace

WaveFileWriter::WaveFileWriter(std::uint32_t sampleRate) : sampleRate_(sampleRate) {}

std::vector<std::uint8_t> WaveFileWriter::encode(const std::vector<std::int16_t>& samples) const {
  constexpr std::uint16_t kChannels = 1;
  constexpr std::uint16_t kBits = 16;
  constexpr std::uint16_t kBlockAlign = kChannels * kBits / 8;
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBlockAlign);
  std::vector<std::uint8_t> out;
  out.reserve(44 + dataBytes);
  putTag(out, "RIFF");
  put32(out, 36 + dataBytes);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, kChannels);
  put32(out, sampleRate_);
  put32(out, sampleRate_ * kBlockAlign);
  put16(out, kBlockAlign);
  put16(out, kBits);
  putTag(out, "data");
  put32(out, dataBytes);
  for (std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
  return out;
}

void WaveFileWriter::write(const std::filesystem::path& path,
                           const std::vector<std::int16_t>& samples) const {
  const std::vector<std::uint8_t> bytes = encode(samples);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace wavesynth

#include "tests/support/Recording.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>

namespace {
uint32_t U32(const std::vector<char>& b, std::size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, &b[at], 4);
  return v;
}
uint16_t U16(const std::vector<char>& b, std::size_t at) {
  uint16_t v = 0;
  std::memcpy(&v, &b[at], 2);
  return v;
}
}  // namespace

TRecording TRecording::Read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + file.string());
  const std::vector<char> b((std::istreambuf_iterator<char>(in)), {});
  if (b.size() < 12 || std::string(b.data(), 4) != "RIFF" || std::string(&b[8], 4) != "WAVE")
    throw std::runtime_error("not a WAVE file: " + file.string());
  int rate = 0;
  std::size_t channels = 0;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id(&b[at], 4);
    const std::size_t body = at + 8;
    const std::size_t size = std::min<std::size_t>(U32(b, at + 4), b.size() - body);
    if (id == "fmt " && size >= 16) {
      const uint16_t tag = U16(b, body);
      channels = U16(b, body + 2);
      rate = static_cast<int>(U32(b, body + 4));
      const bool isFloat = tag == 3 || (tag == 0xFFFE && size >= 26 && U16(b, body + 24) == 3);
      if (!isFloat || U16(b, body + 14) != 32 || channels == 0)
        throw std::runtime_error("not 32-bit float frames: " + file.string());
    } else if (id == "data") {
      if (rate <= 0) throw std::runtime_error("data before format: " + file.string());
      const std::size_t frameBytes = 4 * channels;
      std::vector<float> frames(size / frameBytes);
      for (std::size_t i = 0; i < frames.size(); ++i)
        std::memcpy(&frames[i], &b[body + i * frameBytes], 4);
      return TRecording(rate, std::move(frames));
    }
    at = body + size + (size & 1);
  }
  throw std::runtime_error("no sound data: " + file.string());
}

std::optional<std::size_t> TRecording::FirstSound(std::size_t from, float threshold) const {
  for (std::size_t i = from; i < frames_.size(); ++i)
    if (std::abs(frames_[i]) > threshold) return i;
  return std::nullopt;
}

TRecording::TMatch TRecording::FindNote(const std::vector<float>& note, std::size_t from,
                                        std::size_t to) const {
  double energy = 0;
  for (float v : note) energy += static_cast<double>(v) * v;
  TMatch best{from, std::numeric_limits<double>::infinity()};
  if (frames_.size() < note.size() || energy <= 0) return best;
  to = std::min(to, frames_.size() - note.size() + 1);
  for (std::size_t at = from; at < to; ++at) {
    double sum = 0;
    for (std::size_t j = 0; j < note.size() && sum < best.Residual * energy; ++j) {
      const double d = static_cast<double>(frames_[at + j]) - note[j];
      sum += d * d;
    }
    if (sum / energy < best.Residual) best = {at, sum / energy};
  }
  return best;
}

std::vector<float> TRecording::Stretch(std::size_t at, std::size_t count) const {
  if (at >= frames_.size()) return {};
  const auto first = frames_.begin() + static_cast<std::ptrdiff_t>(at);
  return {first, first + static_cast<std::ptrdiff_t>(std::min(count, frames_.size() - at))};
}

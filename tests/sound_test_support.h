// Helpers for the sound suites: WAVE files made in the test, and ears for the offline mix.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace soundtest {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void PutId(std::vector<uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

// A chunk with its size as declared (which a test may make a lie) and its bytes.
struct Chunk {
  std::string id;
  std::vector<uint8_t> bytes;
  int64_t declaredSize = -1;  // -1: the real size
};

inline std::vector<uint8_t> FmtBytes(uint16_t channels, uint32_t rate, uint16_t bits,
                                     size_t length = 16) {
  std::vector<uint8_t> f;
  Put16(f, 1);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * (bits / 8u));
  Put16(f, static_cast<uint16_t>(channels * (bits / 8u)));
  Put16(f, bits);
  while (f.size() < length) f.push_back(0);
  f.resize(length);
  return f;
}

inline std::vector<uint8_t> Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
  std::vector<uint8_t> body;
  PutId(body, form);
  for (const Chunk& c : chunks) {
    PutId(body, c.id.c_str());
    Put32(body, static_cast<uint32_t>(c.declaredSize < 0 ? c.bytes.size() : c.declaredSize));
    for (uint8_t b : c.bytes) body.push_back(b);
    if (c.bytes.size() % 2 == 1) body.push_back(0);
  }
  std::vector<uint8_t> file;
  file.reserve(body.size() + 8);
  PutId(file, "RIFF");
  Put32(file, static_cast<uint32_t>(body.size()));
  for (uint8_t b : body) file.push_back(b);
  return file;
}

// Mono 16-bit sine of the given length.
inline std::vector<uint8_t> SinePcm(double hertz, uint32_t rate, double seconds,
                                    double amplitude = 0.8) {
  std::vector<uint8_t> pcm;
  auto frames = static_cast<uint32_t>(rate * seconds);
  for (uint32_t i = 0; i < frames; ++i) {
    double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * hertz * i / rate);
    Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(v)));
  }
  return pcm;
}

inline std::vector<uint8_t> SineWav(double hertz, uint32_t rate, double seconds) {
  return Riff({{"fmt ", FmtBytes(1, rate, 16)}, {"data", SinePcm(hertz, rate, seconds)}});
}

// The sample files no sound buffer can be made from, each with a phrase of the cause the
// loader gives. "over 256 MiB" claims more sound than a buffer holds and is written sparse,
// so it takes no room on disk.
struct DamagedWave {
  std::string name;
  std::vector<uint8_t> bytes;
  std::string cause;
  uint64_t sparseDataBytes = 0;  // zero bytes of sound appended after `bytes`, declared in it
};

inline std::vector<DamagedWave> DamagedWaves() {
  const auto fmt = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> f = FmtBytes(channels, rate, bits);
    f[0] = static_cast<uint8_t>(tag);
    f[1] = static_cast<uint8_t>(tag >> 8);
    return f;
  };
  const std::vector<uint8_t> pcm = SinePcm(440, 8000, 0.01);
  const uint64_t huge = 300ull << 20;
  std::vector<uint8_t> big =
      Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", {}, static_cast<int64_t>(huge)}});
  const uint32_t riffSize = static_cast<uint32_t>(big.size() - 8 + huge);
  for (int i = 0; i < 4; ++i)
    big[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(riffSize >> (8 * i));
  return {
      {"empty data", Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", {}}}), "holds no sound data"},
      {"2 bytes of data", Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", {1, 2}}}),
       "holds only 2 bytes of sound data"},
      {"header only", Riff({{"fmt ", FmtBytes(1, 8000, 16)}, {"data", {}, 4000}}),
       "holds no sound data (its data chunk claims 4000 bytes"},
      {"32-bit float", Riff({{"fmt ", fmt(3, 1, 8000, 32)}, {"data", pcm}}), "32-bit float data"},
      {"rate 0", Riff({{"fmt ", fmt(1, 1, 0, 16)}, {"data", pcm}}), "a rate of 0 Hz"},
      {"24-bit", Riff({{"fmt ", fmt(1, 1, 8000, 24)}, {"data", pcm}}), "24-bit PCM"},
      {"3 channels", Riff({{"fmt ", fmt(1, 3, 8000, 16)}, {"data", pcm}}), "3 channels"},
      {"over 256 MiB", big, "holds 314572800 bytes of sound data", huge},
  };
}

// Writes a damaged wave to `path`.
inline void WriteDamagedWave(const std::filesystem::path& path, const DamagedWave& wave) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(wave.bytes.data()),
             static_cast<std::streamsize>(wave.bytes.size()));
  if (wave.sparseDataBytes != 0)
    std::filesystem::resize_file(path, wave.bytes.size() + wave.sparseDataBytes);
}

// A folder of its own for each test, removed with it, or at exit in a process that ends
// without unwinding (a death test's).
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pomvik-sound-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    Live().push_back(path_);
    static const int registered = std::atexit([] {
      for (const std::filesystem::path& path : Live()) Remove(path);
    });
    (void)registered;
  }
  ~TempDir() {
    Remove(path_);
    std::erase(Live(), path_);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::filesystem::path p = path_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }

 private:
  static std::vector<std::filesystem::path>& Live() {
    static std::vector<std::filesystem::path> live;
    return live;
  }
  static void Remove(const std::filesystem::path& path) {
    std::error_code e;
    std::filesystem::remove_all(path, e);
  }

  std::filesystem::path path_;
};

// One channel (0 left, 1 right) of an interleaved stereo mix, frames [from, to).
inline std::vector<float> Channel(const std::vector<float>& mix, int channel, size_t from = 0,
                                  size_t to = SIZE_MAX) {
  std::vector<float> out;
  for (size_t i = from; i < mix.size() / 2 && i < to; ++i)
    out.push_back(mix[2 * i + static_cast<size_t>(channel)]);
  return out;
}

inline double Rms(const std::vector<float>& x) {
  double sum = 0;
  for (float v : x) sum += static_cast<double>(v) * v;
  return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

// Frequency from rising zero crossings, between the first and the last one.
inline double PitchByZeroCrossings(const std::vector<float>& x, int rate) {
  std::vector<size_t> rising;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) rising.push_back(i);
  if (rising.size() < 3) return 0.0;
  return static_cast<double>(rising.size() - 1) * rate /
         static_cast<double>(rising.back() - rising.front());
}

}  // namespace soundtest

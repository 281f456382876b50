#pragma once

// Reads a Standard MIDI File back into its notes and settings, for tests. Header-only; it
// takes what a type 1 file of note, program and meta events holds and throws on the rest.

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace pomvik::test {

struct MidiNote {
  int channel, program, key;
  uint32_t start, end;
  auto operator<=>(const MidiNote&) const = default;
};

struct MidiFile {
  int format = -1, division = 0;
  std::vector<uint32_t> tempos;                     // microseconds a quarter, in order
  std::vector<std::pair<int, int>> timeSignatures;  // numerator, denominator
  std::vector<uint32_t> trackEnds;                  // tick of each track's end
  std::vector<MidiNote> notes;                      // sorted
};

inline MidiFile ReadMidi(const std::string& bytes) {
  std::size_t p = 0;
  auto need = [&](std::size_t n) {
    if (p + n > bytes.size()) throw std::runtime_error("MIDI file cut short");
  };
  auto u8 = [&]() -> uint32_t {
    need(1);
    return static_cast<uint8_t>(bytes[p++]);
  };
  auto big = [&](int n) {
    uint32_t v = 0;
    while (n-- > 0) v = v << 8 | u8();
    return v;
  };
  auto vlq = [&] {
    uint32_t v = 0, b = 0;
    do v = v << 7 | ((b = u8()) & 0x7F);
    while (b & 0x80);
    return v;
  };
  auto id = [&](const char* want) {
    need(4);
    if (bytes.compare(p, 4, want) != 0) throw std::runtime_error(std::string("no ") + want);
    p += 4;
  };

  MidiFile file;
  id("MThd");
  if (big(4) != 6) throw std::runtime_error("header length");
  file.format = static_cast<int>(big(2));
  const uint32_t tracks = big(2);
  file.division = static_cast<int>(big(2));
  for (uint32_t t = 0; t < tracks; ++t) {
    id("MTrk");
    const std::size_t end = p + big(4);
    std::map<int, int> program;
    std::map<std::pair<int, int>, uint32_t> sounding;  // (channel, key) -> start
    uint32_t tick = 0;
    bool ended = false;
    while (p < end && !ended) {
      tick += vlq();
      const uint32_t status = u8();
      const int channel = static_cast<int>(status & 0x0F);
      if (status == 0xFF) {
        const uint32_t type = u8(), length = vlq();
        const std::size_t data = p;
        if (type == 0x51) file.tempos.push_back(big(3));
        if (type == 0x58) {
          const int numerator = static_cast<int>(u8());
          file.timeSignatures.push_back({numerator, 1 << u8()});
        }
        if (type == 0x2F) ended = true;
        p = data + length;
      } else if ((status & 0xF0) == 0xC0) {
        program[channel] = static_cast<int>(u8());
      } else if ((status & 0xF0) == 0x90) {
        const int key = static_cast<int>(u8());
        if (u8() == 0) throw std::runtime_error("note-on of velocity 0");
        if (!sounding.emplace(std::pair{channel, key}, tick).second)
          throw std::runtime_error("note started twice");
      } else if ((status & 0xF0) == 0x80) {
        const int key = static_cast<int>(u8());
        u8();
        const auto on = sounding.find({channel, key});
        if (on == sounding.end()) throw std::runtime_error("note ended that never started");
        const int prog = program.count(channel) ? program[channel] : -1;
        file.notes.push_back({channel, prog, key, on->second, tick});
        sounding.erase(on);
      } else {
        throw std::runtime_error("unexpected MIDI event");
      }
    }
    if (!ended || p != end || !sounding.empty()) throw std::runtime_error("track ill-formed");
    file.trackEnds.push_back(tick);
  }
  if (p != bytes.size()) throw std::runtime_error("bytes after the last track");
  std::sort(file.notes.begin(), file.notes.end());
  return file;
}

}  // namespace pomvik::test

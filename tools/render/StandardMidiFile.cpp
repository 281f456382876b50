#include "tools/render/StandardMidiFile.h"

#include <algorithm>
#include <stdexcept>

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out.push_back(static_cast<uint8_t>(value >> shift));
}

// Delta times and meta lengths: seven bits a byte, most significant first.
void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

std::vector<uint8_t> Meta(uint8_t type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> bytes{0xFF, type};
  PutVariableLength(bytes, static_cast<uint32_t>(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

uint8_t Status(uint8_t kind, uint8_t channel) {
  if (channel > 15) throw std::invalid_argument("MIDI channel out of range");
  return static_cast<uint8_t>(kind | channel);
}

uint8_t DataByte(uint8_t value) {
  if (value > 127) throw std::invalid_argument("MIDI data byte out of range");
  return value;
}

}  // namespace

void TMidiTrack::Add(uint32_t tick, TOrder order, std::vector<uint8_t> bytes) {
  events_.push_back({tick, order, std::move(bytes)});
}

void TMidiTrack::TrackName(uint32_t tick, const std::string& name) {
  Add(tick, TOrder::SetUp, Meta(0x03, std::vector<uint8_t>(name.begin(), name.end())));
}

void TMidiTrack::Tempo(uint32_t tick, uint32_t microsecondsPerQuarter) {
  if (microsecondsPerQuarter == 0 || microsecondsPerQuarter > 0xFFFFFF)
    throw std::invalid_argument("MIDI tempo out of range");
  std::vector<uint8_t> data;
  PutBigEndian(data, microsecondsPerQuarter, 3);
  Add(tick, TOrder::SetUp, Meta(0x51, data));
}

void TMidiTrack::TimeSignature(uint32_t tick, uint8_t numerator, uint8_t denominatorPower) {
  Add(tick, TOrder::SetUp, Meta(0x58, {numerator, denominatorPower, 24, 8}));
}

void TMidiTrack::ProgramChange(uint32_t tick, uint8_t channel, uint8_t program) {
  Add(tick, TOrder::SetUp, {Status(0xC0, channel), DataByte(program)});
}

void TMidiTrack::NoteOn(uint32_t tick, uint8_t channel, uint8_t key, uint8_t velocity) {
  Add(tick, TOrder::NoteOn, {Status(0x90, channel), DataByte(key), DataByte(velocity)});
}

void TMidiTrack::NoteOff(uint32_t tick, uint8_t channel, uint8_t key) {
  Add(tick, TOrder::NoteOff, {Status(0x80, channel), DataByte(key), 64});
}

std::vector<uint8_t> TMidiTrack::Chunk() const {
  std::vector<const TEvent*> sorted;
  sorted.reserve(events_.size());
  for (const TEvent& e : events_) sorted.push_back(&e);
  std::stable_sort(sorted.begin(), sorted.end(), [](const TEvent* a, const TEvent* b) {
    return a->Tick != b->Tick ? a->Tick < b->Tick : a->Order < b->Order;
  });

  std::vector<uint8_t> body;
  uint32_t now = 0;
  for (const TEvent* e : sorted) {
    PutVariableLength(body, e->Tick - now);
    body.insert(body.end(), e->Bytes.begin(), e->Bytes.end());
    now = e->Tick;
  }
  PutVariableLength(body, std::max(end_, now) - now);
  const std::vector<uint8_t> end = Meta(0x2F, {});
  body.insert(body.end(), end.begin(), end.end());

  std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
  PutBigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

std::vector<uint8_t> TStandardMidiFile::Bytes() const {
  std::vector<uint8_t> file{'M', 'T', 'h', 'd'};
  PutBigEndian(file, 6, 4);
  PutBigEndian(file, 1, 2);  // type 1: simultaneous tracks
  PutBigEndian(file, static_cast<uint32_t>(tracks_.size()), 2);
  PutBigEndian(file, ticksPerQuarter_, 2);
  for (const TMidiTrack& track : tracks_) {
    const std::vector<uint8_t> chunk = track.Chunk();
    file.insert(file.end(), chunk.begin(), chunk.end());
  }
  return file;
}

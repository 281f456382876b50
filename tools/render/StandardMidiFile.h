// A Standard MIDI File of type 1, built in memory: one track of tempo and metre, then one
// track per instrument. Events may be added in any order; each track sorts its own.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TMidiTrack {
 public:
  void TrackName(uint32_t tick, const std::string& name);
  void Tempo(uint32_t tick, uint32_t microsecondsPerQuarter);
  // numerator / 2^denominatorPower, one metronome click per quarter note.
  void TimeSignature(uint32_t tick, uint8_t numerator, uint8_t denominatorPower);
  void ProgramChange(uint32_t tick, uint8_t channel, uint8_t program);
  void NoteOn(uint32_t tick, uint8_t channel, uint8_t key, uint8_t velocity);
  void NoteOff(uint32_t tick, uint8_t channel, uint8_t key);
  // Where the track ends; never before its last event.
  void EndAt(uint32_t tick) { end_ = tick; }

  // The MTrk chunk: events by tick, at one tick the set-up first, then note-offs, then
  // note-ons, so that a note repeated on the next beat is ended before it starts again.
  std::vector<uint8_t> Chunk() const;

 private:
  enum class TOrder : uint8_t { SetUp, NoteOff, NoteOn };
  struct TEvent {
    uint32_t Tick;
    TOrder Order;
    std::vector<uint8_t> Bytes;
  };
  void Add(uint32_t tick, TOrder order, std::vector<uint8_t> bytes);

  std::vector<TEvent> events_;
  uint32_t end_ = 0;
};

class TStandardMidiFile {
 public:
  explicit TStandardMidiFile(uint16_t ticksPerQuarter) : ticksPerQuarter_(ticksPerQuarter) {}
  void AddTrack(TMidiTrack track) { tracks_.push_back(std::move(track)); }
  std::vector<uint8_t> Bytes() const;

 private:
  uint16_t ticksPerQuarter_;
  std::vector<TMidiTrack> tracks_;
};

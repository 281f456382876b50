#include "tools/render/SongMidi.h"

#include <array>
#include <cmath>

#include "core/PitchTables.h"
#include "core/Transport.h"
#include "tools/render/StandardMidiFile.h"
#include "tools/render/TickWalk.h"

namespace {

struct TMidiVoice {
  const char* Name;
  uint8_t Program;  // General MIDI, 0-based
};

// Sounds 1..15 by their pictures and the instruments their samples imitate.
constexpr std::array<TMidiVoice, NoteSoundCount> kVoices{{
    {"face: bright piano", 1},       // Bright Acoustic Piano
    {"mushroom: soft bell", 8},      // Celesta
    {"small creature: chirp", 123},  // Bird Tweet
    {"star: glockenspiel", 9},       // Glockenspiel
    {"flower: reed", 68},            // Oboe
    {"game: chip square", 80},       // Lead 1 (square)
    {"dog: bark", 54},               // Synth Voice
    {"cat: meow", 53},               // Voice Oohs
    {"pig: grunt", 67},              // Baritone Sax
    {"goose: honk", 59},             // Muted Trumpet
    {"baby: coo", 52},               // Choir Aahs
    {"aeroplane: engine", 81},       // Lead 2 (sawtooth)
    {"boat: low horn", 58},          // Tuba
    {"car: brass horn", 61},         // Brass Section
    {"heart: soft pluck", 46},       // Orchestral Harp
}};

constexpr uint8_t kDrumChannel = 9;
constexpr uint8_t kVelocity = 100;

const TMidiVoice& Voice(int32_t sound) { return kVoices[static_cast<std::size_t>(sound - 1)]; }

}  // namespace

uint8_t MidiChannelOfSound(int32_t sound) {
  const auto index = static_cast<uint8_t>(sound - 1);
  return index < kDrumChannel ? index : static_cast<uint8_t>(index + 1);
}

uint8_t MidiProgramOfSound(int32_t sound) { return Voice(sound).Program; }

uint8_t MidiKeyOfRow(int row) {
  const double semitones = 12.0 * std::log2(RowPitch[static_cast<std::size_t>(row)]);
  return static_cast<uint8_t>(MidiKeyOfRow9 + static_cast<int>(std::lround(semitones)));
}

std::vector<uint8_t> SongToMidi(const TRenderSong& song, int passes, const std::string& title) {
  TMidiTrack conductor;
  conductor.TrackName(0, title);
  conductor.TimeSignature(0, song.Settings.Time44 ? 4 : 3, 2);
  // A column lasts two ticks of the truncated interval.
  conductor.Tempo(0, static_cast<uint32_t>(2 * IntervalFromTempo(song.Settings.Tempo) * 1000));

  std::array<TMidiTrack, NoteSoundCount> tracks;
  std::array<bool, NoteSoundCount> used{};
  // Column n of a pass sounds on transport tick 2n; a column is two ticks long.
  auto beatOfTick = [](int64_t tick) {
    return static_cast<uint32_t>((tick - 2) * MidiTicksPerColumn / 2);
  };
  const int64_t lastTick =
      WalkTicks(song.Song.EndColumn, song.Settings.Loop, passes, [&](int64_t tick, int32_t column) {
        const uint32_t start = beatOfTick(tick);
        int notes = 0;
        // As in playback, a column sounds at most three notes, the topmost first.
        for (int row = 1; row <= RowCount && notes < MaxNotesPerColumn; ++row) {
          const int32_t sound = song.Song.Cell(row, column);
          if (sound < 1 || sound > NoteSoundCount) continue;
          ++notes;
          const auto index = static_cast<std::size_t>(sound - 1);
          const uint8_t channel = MidiChannelOfSound(sound);
          tracks[index].NoteOn(start, channel, MidiKeyOfRow(row), kVelocity);
          tracks[index].NoteOff(start + MidiTicksPerColumn, channel, MidiKeyOfRow(row));
          used[index] = true;
        }
      });
  // The last note ends where playback stops.
  const uint32_t end = beatOfTick(lastTick + 2);
  conductor.EndAt(end);

  TStandardMidiFile file(MidiTicksPerColumn);
  file.AddTrack(std::move(conductor));
  for (int32_t sound = 1; sound <= NoteSoundCount; ++sound) {
    const auto index = static_cast<std::size_t>(sound - 1);
    if (!used[index]) continue;
    TMidiTrack& track = tracks[index];
    track.TrackName(0, Voice(sound).Name);
    track.ProgramChange(0, MidiChannelOfSound(sound), Voice(sound).Program);
    track.EndAt(end);
    file.AddTrack(std::move(track));
  }
  return file.Bytes();
}

// The renderer's sound: what it plays, when, in which format, run as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "core/PitchTables.h"
#include "core/SongText.h"
#include "tests/support/RenderFixture.h"
#include "tools/render/WaveContainer.h"

using namespace rendertest;

namespace {

// A column's tones in the window that starts at its onset: each expected pitch is found
// within 0.5 %, and together they carry the window's energy (no other note sounds).
void ExpectTones(const std::vector<double>& x, std::size_t onset, std::vector<double> expected) {
  const std::size_t length = static_cast<std::size_t>(0.04 * kRate);
  ASSERT_LE(onset + length, x.size());
  const std::span<const double> window(x.data() + onset, length);
  double explained = 0;
  for (double hz : expected) {
    auto magnitude = [&](double f) { return toneMagnitude(window, kRate, f); };
    const double peak = detail::zoomToPeak(magnitude, hz, 0.03 * hz, 5);
    EXPECT_NEAR(peak, hz, 0.005 * hz) << "a tone at " << hz << " Hz, column onset " << onset;
    explained += magnitude(peak) * magnitude(peak) / 2.0;
  }
  double energy = 0;
  for (double v : window) energy += v * v;
  energy /= static_cast<double>(length);
  EXPECT_NEAR(explained / energy, 1.0, 0.2) << "column onset " << onset;
}

TEST_F(RenderTest, WorkedExampleSoundsEachColumnOnItsTickForEveryPass) {
  const std::vector<double> x = RenderTones(kWorkedExample, "song.wav", {"--loops", "2"});
  // Interval 100 ms; a pass is 32 columns, 64 ticks; the second pass ends on tick 128.
  const std::size_t tick = kRate / 10;
  EXPECT_EQ(x.size(), 128 * tick);
  std::vector<std::size_t> expected;
  for (std::size_t pass : {0u, 64u})
    for (std::size_t column : {1u, 2u, 3u}) expected.push_back((pass + 2 * column) * tick);
  const std::vector<std::size_t> onsets = Onsets(x, 1e-3, 100);
  ASSERT_EQ(onsets.size(), expected.size());
  for (std::size_t i = 0; i < onsets.size(); ++i)
    EXPECT_NEAR(static_cast<double>(onsets[i]), static_cast<double>(expected[i]), 1.0);

  for (std::size_t pass : {0u, 64u}) {
    ExpectTones(x, (pass + 2) * tick, {Heard(1, 1.0)});
    ExpectTones(x, (pass + 4) * tick, {Heard(3, 1.498), Heard(12, 1.0)});
    // Sound 15 in row 1 takes its alternate recording, sample 27, at 1.189.
    ExpectTones(x, (pass + 6) * tick, {Heard(27, 1.189), Heard(2, 0.944), Heard(10, 0.707)});
  }
}

TEST_F(RenderTest, SongsWithoutNotesToPlayRenderSilenceOfTheirLength) {
  // Tempo 250: a tick is 120 ms, 5292 frames. All 96 empty columns: 192 ticks.
  const std::string empty = SongText({}, "TEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n");
  // End 1: the first tick ends the pass, notes or not; with loop each pass is that one tick.
  const std::string endOne = SongText({"0091", "0091"}, "TEMPO=250\r\nLOOP=%\r\nEND=1\r\n");
  auto withLoop = [&](const char* loop) {
    std::string text = endOne;
    text.replace(text.find('%'), 1, loop);
    return text;
  };
  const std::vector<std::pair<std::vector<double>, std::size_t>> renders{
      {RenderTones(empty, "empty.wav"), 192},
      {RenderTones(withLoop("FALSE"), "once.wav", {"--loops", "3"}), 1},
      {RenderTones(withLoop("TRUE"), "looped.wav", {"--loops", "3"}), 3},
  };
  for (const auto& [x, ticks] : renders) {
    EXPECT_EQ(x.size(), ticks * 5292);
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; }));
  }
}

TEST_F(RenderTest, ThreeNotesInEveryColumnAllSoundAndTheLastRingsOut) {
  // Tempo 300, every column full: rows a third of the staff apart, each column's sounds
  // chosen so that its three pitches lie at least 100 Hz apart and can be told apart.
  std::vector<std::string> groups;
  std::vector<std::vector<TNoteVoice>> voices;
  const char* hex = "0123456789ABCDEF";
  for (int c = 1; c <= 96; ++c) {
    std::string group;
    std::vector<TNoteVoice> column;
    int sound = c % 15;
    for (int row : {c % 4 + 1, c % 4 + 5, c % 4 + 10}) {
      TNoteVoice voice{};
      auto tooClose = [&] {
        return std::any_of(column.begin(), column.end(), [&](const TNoteVoice& other) {
          return std::abs(Heard(voice.Wave, voice.Ratio) - Heard(other.Wave, other.Ratio)) < 100;
        });
      };
      do {
        sound = sound % 15 + 1;
        voice = ChooseVoice(sound, row);
      } while (tooClose());
      group += {hex[row], hex[sound]};
      column.push_back(voice);
    }
    groups.push_back(group);
    voices.push_back(column);
  }
  const std::vector<double> x = RenderTones(
      SongText(groups, "TEMPO=300\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n"), "full.wav");

  const std::size_t tick = kRate / 10;
  const std::vector<std::size_t> onsets = Onsets(x, 1e-3, 100);
  ASSERT_EQ(onsets.size(), 96u);
  double lastRing = 0;
  for (int c = 1; c <= 96; ++c) {
    const std::size_t at = static_cast<std::size_t>(2 * c) * tick;
    EXPECT_NEAR(static_cast<double>(onsets[static_cast<std::size_t>(c - 1)]),
                static_cast<double>(at), 1.0);
    std::vector<double> heard;
    for (const TNoteVoice& voice : voices[static_cast<std::size_t>(c - 1)]) {
      heard.push_back(Heard(voice.Wave, voice.Ratio));
      if (c == 96) lastRing = std::max(lastRing, HeardSeconds(voice.Wave, voice.Ratio));
    }
    ExpectTones(x, at, heard);
  }
  // Playback stops on the tick that sounds column 96; its notes ring to their ends.
  EXPECT_NEAR(static_cast<double>(x.size()), 192.0 * tick + lastRing * kRate, 2.0);
}

// A WAVE render is the plain 44-byte PCM WAVE that every player reads while a bound of its
// length fits what a RIFF header can count, and RF64 past it; the writer is asked for RF64
// here, so that no test writes 4 GiB.
TEST_F(RenderTest, WaveIsPlainPcmWhileTheRenderSurelyFitsAndRf64Past) {
  EXPECT_EQ(WaveContainerFor(kRiffWaveFrameLimit), TWaveContainer::Riff);
  EXPECT_EQ(WaveContainerFor(kRiffWaveFrameLimit + 1), TWaveContainer::Rf64);
  EXPECT_LE(36 + 4 * kRiffWaveFrameLimit, int64_t{0xFFFFFFFF});
  EXPECT_GT(36 + 4 * (kRiffWaveFrameLimit + 1), int64_t{0xFFFFFFFF});

  const std::vector<float> frames(2 * 1000, 0.25f);
  for (const TWaveContainer container : {TWaveContainer::Riff, TWaveContainer::Rf64}) {
    const bool rf64 = container == TWaveContainer::Rf64;
    const fs::path path = dir_.path() / "container.wav";
    {
      TAtomicFile file(path);
      TAudioFileWriter writer(file, TOutputFormat::Wave, kRate, container);
      writer.Write(frames.data(), 1000);
      writer.Close();
      file.Commit();
    }
    const std::string bytes = SlurpBytes(path);
    EXPECT_EQ(bytes.substr(0, 4), rf64 ? "RF64" : "RIFF");
    if (!rf64) {
      // RIFF, fmt of 16 bytes with tag 1 (PCM), 2 channels, data: nothing else.
      const auto u32 = [&](std::size_t at) {
        uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
          v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
        return v;
      };
      ASSERT_EQ(bytes.size(), 44u + 4000u);
      EXPECT_EQ(u32(4), 36u + 4000u);
      EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
      EXPECT_EQ(u32(16), 16u);
      EXPECT_EQ(u32(20), 1u | 2u << 16);
      EXPECT_EQ(bytes.substr(36, 4), "data");
      EXPECT_EQ(u32(40), 4000u);
    }
    const DecodedAudio audio = ReadAudio(path);
    EXPECT_EQ(audio.rate, kRate) << rf64;
    ASSERT_EQ(audio.left.size(), 1000u) << rf64;
    EXPECT_NEAR(audio.left.back(), 0.25, 1e-4) << rf64;
  }
}

// The bound that picks the container holds every frame a render writes, the longest sample
// rung out at the lowest row included, without reaching far past it.
TEST_F(RenderTest, TheBoundOfARenderHoldsItsSongAndItsLongestRinging) {
  // Sound 1 on the lowest row: eight seconds of tone at 8000 Hz, played at its lowest ratio.
  const TNoteVoice low = ChooseVoice(1, RowCount);
  dir_.Write("waves/Sound" + std::to_string(low.Wave) + ".wav", ToneWav({300.0, 8000}, 8.0));
  TRenderSong song;
  song.Song.Cell(RowCount, 2) = 1;
  song.Song.NoteCount(2) = 1;
  song.Song.EndColumn = 5;
  song.Settings.Loop = true;
  for (int passes : {1, 3}) {
    const std::string text = BuildSongText(song.Song, song.Settings);
    const std::string name = "bound" + std::to_string(passes) + ".wav";
    const std::size_t written = RenderTones(text, name, {"--loops", std::to_string(passes)}).size();
    const std::string bytes = SlurpBytes(dir_.path() / name);
    EXPECT_EQ(bytes.substr(36, 4), "data") << "a plain WAVE";
    const int64_t bound = RenderFrameBound(song, passes, waves(), kRate);
    const double ringing = 8.0 * kRate / low.Ratio;
    EXPECT_GE(bound, static_cast<int64_t>(written)) << passes;
    EXPECT_GT(static_cast<double>(written), ringing) << passes;
    EXPECT_LT(static_cast<double>(bound), static_cast<double>(written) + ringing) << passes;
  }
}

TEST_F(RenderTest, WaveAndFlacAreTheSameBytesOnEveryRun) {
  const std::string song = Song(kWorkedExample).string();
  for (const char* name : {"song.wav", "song.flac"}) {
    std::string first;
    for (const char* run : {"1", "2"}) {
      const fs::path out = dir_.path() / (std::string(run) + name);
      // The synthesised sample set, as the program plays it.
      const RenderRun result = Render({"--waves", POMVIK_WAVES, song, out.string()});
      ASSERT_EQ(result.status, 0) << result.errors;
      const std::string bytes = SlurpBytes(out);
      EXPECT_GT(bytes.size(), 10000u);
      if (first.empty()) first = bytes;
      EXPECT_TRUE(bytes == first) << name;
    }
  }
  const DecodedAudio flac = ReadAudio(dir_.path() / "1song.flac");
  EXPECT_EQ(flac.rate, kRate);
  EXPECT_EQ(flac.channels, 2);
  EXPECT_EQ(flac.left, ReadAudio(dir_.path() / "1song.wav").left);
}

TEST_F(RenderTest, CompressedFormatsDecodeToTheSongWithItsOnsets) {
  for (const auto& [name, rate] :
       {std::pair{"song.ogg", 44100}, {"song.opus", 48000}, {"song.mp3", 44100}}) {
    const fs::path out = dir_.path() / name;
    const RenderRun run =
        Render({"--waves", waves().string(), Song(kWorkedExample).string(), out.string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    const DecodedAudio audio = ReadAudio(out);
    EXPECT_EQ(audio.rate, rate) << name;
    EXPECT_EQ(audio.channels, 2) << name;
    // One pass: 64 ticks of 100 ms; the codecs' padding is taken off again in decoding.
    const double tick = rate / 10.0;
    EXPECT_EQ(static_cast<double>(audio.left.size()), 64 * tick) << name;
    const std::vector<std::size_t> onsets = Onsets(audio.left, 0.02, 200);
    ASSERT_EQ(onsets.size(), 3u) << name;
    for (std::size_t i = 0; i < 3; ++i)
      EXPECT_NEAR(static_cast<double>(onsets[i]), 2.0 * static_cast<double>(i + 1) * tick,
                  0.001 * rate)
          << name;
  }
}

TEST_F(RenderTest, WorkedExampleAsMidiReadsBackNoteByNote) {
  const fs::path out = dir_.path() / "song.mid";
  const RenderRun run = Render({"--loops", "2", Song(kWorkedExample).string(), out.string()});
  ASSERT_EQ(run.status, 0) << run.errors;
  const MidiFile midi = ReadMidi(SlurpBytes(out));
  EXPECT_EQ(midi.format, 1);
  EXPECT_EQ(midi.division, 480);                          // a column is a quarter note
  EXPECT_EQ(midi.tempos, std::vector<uint32_t>{200000});  // two ticks of 100 ms
  EXPECT_EQ(midi.timeSignatures, (std::vector<std::pair<int, int>>{{3, 4}}));
  // The tempo track and one track per sound used, all ending with the second pass.
  EXPECT_EQ(midi.trackEnds, std::vector<uint32_t>(7, 2 * 32 * 480));

  // {channel, program, key, start, end}: row 9 is F4 (65); the drum channel 9 stays free.
  std::vector<MidiNote> expected;
  for (uint32_t pass : {0u, 32u * 480u}) {
    const std::vector<MidiNote> once{
        {0, 1, 65, 0, 480},       // sound 1, row 9: bright piano
        {2, 123, 72, 480, 960},   // sound 3, row 5: bird tweet a fifth up
        {12, 81, 65, 480, 960},   // sound 12, row 9: sawtooth lead
        {15, 46, 79, 960, 1440},  // sound 15, row 1 (alternate sample, same pitch): harp
        {1, 8, 64, 960, 1440},    // sound 2, row 10: celesta
        {10, 59, 59, 960, 1440},  // sound 10, row 13: muted trumpet
    };
    for (MidiNote n : once) {
      n.start += pass;
      n.end += pass;
      expected.push_back(n);
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(midi.notes, expected);
}

}  // namespace

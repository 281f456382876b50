// The renderer run as a user runs it, on songs written here and on a sample set of plain
// tones whose pitch tells which sample sounded at which ratio.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "core/PitchTables.h"
#include "core/SampleBank.h"
#include "core/SongText.h"
#include "sound/dsound/ds_seam.h"
#include "tests/sound_test_support.h"
#include "tests/support/FundamentalEstimator.h"
#include "tests/support/MidiFileReader.h"
#include "tests/support/RenderRun.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/AudioFileWriter.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/SongSamples.h"
#include "tools/render/WaveContainer.h"

using namespace pomvik::test;
namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr double kToneSeconds = 0.1;
constexpr double kToneAmplitude = 0.25;

// Sample n: a tone of 200 + 37n Hz recorded at one of five rates, starting at full swing so
// that its first frame marks its onset.
struct Tone {
  double hz;
  uint32_t rate;
};
Tone ToneOfSample(int n) {
  static constexpr std::array<uint32_t, 5> kRates{16000, 22050, 44100, 11025, 32000};
  return {200.0 + 37.0 * n, kRates[static_cast<std::size_t>(n % 5)]};
}
// The pitch a sample sounds at a ratio: the channel's frequency is truncated to whole hertz.
double Heard(int sample, double ratio) {
  const Tone t = ToneOfSample(sample);
  return t.hz * std::trunc(t.rate * ratio) / t.rate;
}
double HeardSeconds(int sample, double ratio) {
  const Tone t = ToneOfSample(sample);
  return kToneSeconds * t.rate / std::trunc(t.rate * ratio);
}

std::vector<uint8_t> ToneWav(const Tone& t, double seconds = kToneSeconds) {
  std::vector<uint8_t> pcm;
  const auto frames = static_cast<uint32_t>(t.rate * seconds);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = kToneAmplitude * 32767.0 * std::cos(2.0 * M_PI * t.hz * i / t.rate);
    soundtest::Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v))));
  }
  return soundtest::Riff({{"fmt ", soundtest::FmtBytes(1, t.rate, 16)}, {"data", pcm}});
}

// Score groups for columns 1.. in order; the rest of the 96 columns stay empty.
std::string SongText(const std::vector<std::string>& groups, const std::string& tail) {
  std::string score;
  for (const std::string& g : groups) score += g;
  for (std::size_t c = groups.size(); c < 96; ++c) score += "000";
  return "SCORE=" + score + "\r\n" + tail;
}

// Column 1: sound 1 in row 9; column 2: sound 3 in row 5 and 12 in row 9; column 3: sound
// 15 in row 1, 2 in row 10 and 10 in row 13; tempo 300, loop on, end 33, 3/4.
const std::string kWorkedExample =
    SongText({"0091", "0539C", "1FA2DA"}, "TEMPO=300\r\nLOOP=TRUE\r\nEND=33\r\nTIME44=FALSE\r\n");

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(waves());
    for (int n = 1; n <= WaveBankSize; ++n)
      dir_.Write("waves/Sound" + std::to_string(n) + ".wav", ToneWav(ToneOfSample(n)));
  }
  fs::path waves() const { return dir_.path() / "waves"; }
  fs::path Song(const std::string& text) const {
    dir_.Write("song.psq", std::vector<uint8_t>(text.begin(), text.end()));
    return dir_.path() / "song.psq";
  }
  RenderRun Render(std::vector<std::string> arguments) const {
    return RunRender(arguments, dir_.path());
  }
  // Renders with the tone samples and reads the left channel back.
  std::vector<double> RenderTones(const std::string& text, const std::string& name,
                                  std::vector<std::string> extra = {}) const {
    const fs::path out = dir_.path() / name;
    extra.insert(extra.end(), {"--waves", waves().string(), Song(text).string(), out.string()});
    const RenderRun run = Render(extra);
    EXPECT_EQ(run.status, 0) << run.errors;
    return ReadAudio(out).left;
  }

  soundtest::TempDir dir_;
};

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

// A sample that the song sounds and that is missing or damaged ends the render before any
// output is made, naming the file; one the song never sounds is named and the render goes
// on. A folder without samples is refused for a song with notes, and fine for one without.
TEST_F(RenderTest, ASongsMissingOrDamagedSampleEndsTheRenderAndLeavesNoOutput) {
  const fs::path folder = dir_.path() / "out";
  fs::create_directory(folder);
  const fs::path out = folder / "song.wav";
  const std::string song = Song(kWorkedExample).string();
  const std::string sound3 = (waves() / "Sound3.wav").string();
  const auto refused = [&](const std::string& why, const std::string& named) {
    const RenderRun run = Render({"--waves", waves().string(), song, out.string()});
    EXPECT_EQ(run.status, 1) << why;
    EXPECT_NE(run.errors.find(named), std::string::npos) << why << ": " << run.errors;
    EXPECT_TRUE(fs::is_empty(folder)) << why;
  };
  fs::remove(sound3);  // column 2's first note
  refused("missing", sound3 + ": cannot be opened: No such file or directory");
  for (const soundtest::DamagedWave& damaged : soundtest::DamagedWaves()) {
    soundtest::WriteDamagedWave(sound3, damaged);
    refused(damaged.name, sound3 + ": " + damaged.cause);
  }

  dir_.Write("waves/Sound3.wav", ToneWav(ToneOfSample(3)));
  fs::remove(waves() / "Sound17.wav");
  RenderRun run = Render({"--waves", waves().string(), song, out.string()});
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.errors.find("Sound17.wav: cannot be opened"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("not used by this song"), std::string::npos) << run.errors;
  EXPECT_EQ(Onsets(ReadAudio(out).left, 1e-3, 100).size(), 3u);
  fs::remove(out);

  const fs::path none = dir_.path() / "none";
  fs::create_directory(none);
  run = Render({"--waves", none.string(), song, out.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.errors.find(none.string() + ": holds none of the samples"), std::string::npos)
      << run.errors;
  EXPECT_TRUE(fs::is_empty(folder));
  // No folder at all: a copy of the renderer where nothing lies beside it.
  const fs::path alone = dir_.path() / "alone" / "pomvik-render";
  fs::create_directory(alone.parent_path());
  fs::copy_file(POMVIK_RENDER, alone);
  fs::rename(waves(), dir_.path() / "elsewhere");
  run = RunRender({song, out.string()}, dir_.path(), RLIM_INFINITY, alone.string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.errors.find("no sample folder"), std::string::npos) << run.errors;
  EXPECT_TRUE(fs::is_empty(folder));

  const std::string empty = Song(SongText({}, "TEMPO=300\r\nLOOP=FALSE\r\nEND=5\r\n"));
  for (const std::vector<std::string>& waves :
       {std::vector<std::string>{"--waves", none.string()}, std::vector<std::string>{}}) {
    std::vector<std::string> arguments = waves;
    arguments.insert(arguments.end(), {empty, out.string()});
    run = RunRender(arguments, dir_.path(), RLIM_INFINITY, alone.string());
    EXPECT_EQ(run.status, 0) << run.errors;
    const std::vector<double> x = ReadAudio(out).left;
    EXPECT_EQ(x.size(), static_cast<std::size_t>(8 * kRate / 10));  // eight silent ticks
    EXPECT_TRUE(std::ranges::all_of(x, [](double v) { return v == 0.0; }));
  }
}

// A refusal of the device while loading a sample the file check passed: the render ends,
// and the message names the sample.
TEST_F(RenderTest, ABufferTheDeviceRefusesNamesItsSample) {
  TRenderSong song;
  song.Song.Cell(9, 1) = 3;
  const TSongSamples samples(song, waves(), [](const std::string& line) { ADD_FAILURE() << line; });
  const std::string sound3 = (waves() / "Sound3.wav").string();
  dsound::TestSeam seam;
  seam.Fail(dsound::DsOp::Lock, dsound::DSERR_OUTOFMEMORY, sound3);
  try {
    TSongRenderer renderer(kRate, waves(), [&](const std::string& p) { samples.Refused(p); });
    ADD_FAILURE() << "the render went on";
  } catch (const ERenderError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with(sound3 + ": ")) << e.what();
  }
}

// An existing output keeps who may read it; a symbolic link stays a link and the file it
// leads to (made where it does not exist yet) is the one written.
TEST_F(RenderTest, AnOutputKeepsItsPermissionsAndALinkStaysALink) {
  const std::string song = Song(kWorkedExample).string();
  const fs::path out = dir_.path() / "out", real = dir_.path() / "real";
  fs::create_directory(out);
  fs::create_directory(real);
  const auto render = [&](const fs::path& to) {
    const RenderRun run = Render({"--waves", waves().string(), song, to.string()});
    EXPECT_EQ(run.status, 0) << run.errors;
  };
  const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
  dir_.Write("out/private.wav", {'o', 'l', 'd'});
  fs::permissions(out / "private.wav", fs::perms::owner_read | fs::perms::owner_write);
  render(out / "private.wav");
  EXPECT_EQ(mode(out / "private.wav"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadAudio(out / "private.wav").rate, kRate);

  dir_.Write("real/shared.wav", {'o', 'l', 'd'});
  fs::permissions(real / "shared.wav", fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::group_read | fs::perms::others_read);
  fs::create_symlink("../real/shared.wav", out / "link.wav");
  fs::create_symlink("../real/new.wav", out / "dangling.wav");
  fs::create_symlink("link.wav", out / "chain.wav");
  for (const char* link : {"link.wav", "dangling.wav", "chain.wav"}) render(out / link);
  EXPECT_EQ(fs::read_symlink(out / "link.wav"), "../real/shared.wav");
  EXPECT_EQ(fs::read_symlink(out / "dangling.wav"), "../real/new.wav");
  EXPECT_EQ(fs::read_symlink(out / "chain.wav"), "link.wav");
  EXPECT_EQ(mode(real / "shared.wav"), fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(ReadAudio(real / "shared.wav").left, ReadAudio(real / "new.wav").left);
  EXPECT_GT(ReadAudio(real / "new.wav").left.size(), 0u);
  std::size_t files = 0;
  for (const fs::path& f : {out, real})
    files += static_cast<std::size_t>(std::distance(fs::directory_iterator(f), {}));
  EXPECT_EQ(files, 6u);  // no temporary file left beside either
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

TEST_F(RenderTest, SamplesComeFromTheCurrentFolderThenFromBesideTheProgram) {
  const std::string song = Song(kWorkedExample).string();
  auto render = [&](const std::string& name, std::vector<std::string> waves) {
    waves.insert(waves.end(), {song, (dir_.path() / name).string()});
    EXPECT_EQ(Render(waves).status, 0);
    return SlurpBytes(dir_.path() / name);
  };
  // The tone samples lie in waves/ of the folder it runs in.
  EXPECT_EQ(render("here.wav", {}), render("tones.wav", {"--waves", waves().string()}));
  fs::rename(waves(), dir_.path() / "elsewhere");
  EXPECT_EQ(render("beside.wav", {}), render("built.wav", {"--waves", POMVIK_WAVES}));
}

TEST_F(RenderTest, RefusalsEndWithOneLineAndLeaveNoFile) {
  const fs::path folder = dir_.path() / "out";
  fs::create_directory(folder);
  const std::string good = Song(kWorkedExample).string();
  auto write = [&](const std::string& name, const std::string& text) {
    dir_.Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    return (dir_.path() / name).string();
  };
  const std::string bad = write("bad.psq", "SCORE=00E\r\nTEMPO=300\r\nEND=97\r\n");
  const std::string badTempo = write("tempo.psq", "SCORE=\r\nTEMPO=abc\r\nEND=97\r\n");
  const std::string wav = (folder / "song.wav").string();
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{bad, wav}, "データが不正です"},
      {{badTempo, (folder / "song.mid").string()}, "'abc' は整数ではありません"},
      {{(dir_.path() / "missing.psq").string(), wav}, "missing.psq"},
      {{good, (folder / "song.aiff").string()}, "song.aiff"},
      {{"--loops", "0", good, wav}, "--loops"},
      {{"--rate", "44100", good, (folder / "song.opus").string()}, "Opus"},
      {{"--fast", good, wav}, "--fast"},
      {{good}, "output"},
      {{"--waves", (dir_.path() / "nowhere").string(), good, wav}, "nowhere"},
      {{"--waves", waves().string(), good, (dir_.path() / "no" / "folder.wav").string()},
       "folder.wav"},
  };
  for (const auto& c : cases) {
    const RenderRun run = Render(c.arguments);
    EXPECT_NE(run.status, 0) << c.message;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_TRUE(fs::is_empty(folder)) << c.message;
  }
  // A write that fails part way, as on a full disk: neither the output nor a piece of it.
  for (const char* name : {"song.wav", "song.flac", "song.mp3"}) {
    const RenderRun run =
        RunRender({"--waves", POMVIK_WAVES, good, (folder / name).string()}, dir_.path(), 20000);
    EXPECT_NE(run.status, 0) << name;
    EXPECT_NE(run.errors.find(name), std::string::npos) << run.errors;
    EXPECT_TRUE(fs::is_empty(folder)) << name;
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

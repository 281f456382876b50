// The renderer's files: the samples it reads, the output it writes and what it refuses,
// run as a user runs it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/SampleBank.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/RenderFixture.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/SongSamples.h"

using namespace rendertest;

namespace {

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

// An output that is the song or a sample, by its own name, through a link or as a hard
// link, is refused as a usage error and the input stays byte for byte.
TEST_F(RenderTest, AnOutputThatIsTheRendersOwnInputIsRefused) {
  const fs::path song = Song(kWorkedExample);
  fs::create_symlink(song, dir_.path() / "link.wav");
  fs::create_hard_link(song, dir_.path() / "hard.flac");
  fs::create_symlink(waves() / "Sound3.wav", dir_.path() / "sample.mp3");
  const std::string songBytes = SlurpBytes(song), sampleBytes = SlurpBytes(waves() / "Sound3.wav");
  for (const fs::path& out : {song, dir_.path() / "link.wav", dir_.path() / "hard.flac",
                              dir_.path() / "sample.mp3", dir_.path() / "." / "song.psq"}) {
    const RenderRun run = Render({"--waves", waves().string(), song.string(), out.string()});
    EXPECT_EQ(run.status, 2) << out << ": " << run.errors;
    EXPECT_EQ(SlurpBytes(song), songBytes) << out;
    EXPECT_EQ(SlurpBytes(waves() / "Sound3.wav"), sampleBytes) << out;
  }
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "link.wav"));
}

// A FIFO is written into, never replaced: formats that need no going back stream, WAVE and
// Opus are refused before anything is opened.
TEST_F(RenderTest, AFifoTakesTheOutputAsAStreamAndStaysAFifo) {
  const std::string song = Song(kWorkedExample).string();
  for (const char* name :
       {"fifo.flac", "fifo.ogg", "fifo.mp3", "fifo.mid", "fifo.wav", "fifo.opus"}) {
    const fs::path fifo = dir_.path() / name;
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const bool refused =
        fs::path(name).extension() == ".wav" || fs::path(name).extension() == ".opus";
    std::string streamed;
    std::thread reader;
    if (!refused) reader = std::thread([&] { streamed = SlurpBytes(fifo); });
    const RenderRun run = Render({"--waves", waves().string(), song, fifo.string()});
    if (reader.joinable()) reader.join();
    EXPECT_TRUE(fs::is_fifo(fifo)) << name;
    if (refused) {
      EXPECT_EQ(run.status, 2) << run.errors;
      continue;
    }
    EXPECT_EQ(run.status, 0) << name << ": " << run.errors;
    const fs::path copy = dir_.path() / (std::string("copy") + fs::path(name).extension().string());
    std::ofstream(copy, std::ios::binary) << streamed;
    if (fs::path(name).extension() == ".mid") {
      const fs::path file = dir_.path() / "file.mid";
      ASSERT_EQ(Render({song, file.string()}).status, 0);
      EXPECT_EQ(streamed, SlurpBytes(file));
    } else {
      EXPECT_GT(ReadAudio(copy).left.size(), static_cast<std::size_t>(kRate)) << name;
    }
  }
}

// Started under nohup, a render goes on through a hang-up; the clean-up's handlers leave
// each disposition as they found it.
TEST_F(RenderTest, AnIgnoredHangUpStaysIgnoredAndHandlersComeBack) {
  const std::string song = Song(kWorkedExample).string();
  const fs::path out = dir_.path() / "long.flac";
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGHUP, SIG_IGN);
    execl(POMVIK_RENDER, POMVIK_RENDER, "--loops", "200", "--waves", waves().c_str(), song.c_str(),
          out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "the render ended before the hang-up";
  kill(child, SIGHUP);
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_TRUE(fs::exists(out));

  struct sigaction own {
  }, now{};
  own.sa_handler = [](int) {};
  sigaction(SIGTERM, &own, nullptr);
  const auto saved = signal(SIGHUP, SIG_IGN);
  {
    TAtomicFile file(dir_.path() / "handlers.mid");
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN) << "an ignored hang-up is never caught";
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_NE(now.sa_handler, own.sa_handler) << "an interrupt removes the temporary file";
  }
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, own.sa_handler);
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  signal(SIGHUP, saved);
  signal(SIGTERM, SIG_DFL);
}

// Whatever length of name the folder takes, the render can be written under it.
TEST_F(RenderTest, OutputNamesUpToTheLongestLegalOneWork) {
  const std::string song = Song(kWorkedExample).string();
  for (const std::size_t length : {242u, 250u, 255u}) {
    const fs::path out = dir_.path() / (std::string(length - 4, 'n') + ".mid");
    const RenderRun run = Render({song, out.string()});
    EXPECT_EQ(run.status, 0) << length << ": " << run.errors;
    EXPECT_TRUE(fs::exists(out)) << length;
    const fs::path wave = dir_.path() / (std::string(length - 4, 'w') + ".wav");
    EXPECT_EQ(Render({"--waves", waves().string(), song, wave.string()}).status, 0) << length;
  }
}

}  // namespace

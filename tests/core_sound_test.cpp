#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>

#include "core/Audition.h"
#include "core/ColumnVoicing.h"
#include "core/SampleBank.h"
#include "core/SampleCheck.h"
#include "core/SampleFolder.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FundamentalEstimator.h"

namespace {

constexpr int32_t MixRate = 44100;
constexpr double SampleRate = 44100;  // of every synthesised sample
constexpr double F4 = 349.23;         // every note sound
constexpr double E5 = 659.26;         // every alternate recording

// The build folder, which holds the sample set, as the current folder while it lives.
class InSampleFolder {
 public:
  explicit InSampleFolder(const std::filesystem::path& folder = POMVIK_SAMPLE_FOLDER) {
    std::filesystem::current_path(folder);
  }
  ~InSampleFolder() { std::filesystem::current_path(previous_); }
  InSampleFolder(const InSampleFolder&) = delete;
  InSampleFolder& operator=(const InSampleFolder&) = delete;

 private:
  std::filesystem::path previous_ = std::filesystem::current_path();
};

// The sound component on the offline device, without a window.
class OfflineComponent {
 public:
  TDDSD ddsd{nullptr};

  explicit OfflineComponent(TDDSDDebugOption option = dsoHaltOnError) {
    ddsd.setOfflineMixRate(MixRate);
    ddsd.setDebugOption(option);
    ddsd.Loaded();
  }
  ~OfflineComponent() { ddsd.setDebugOption(dsoHaltOnError); }
  OfflineComponent(const OfflineComponent&) = delete;
  OfflineComponent& operator=(const OfflineComponent&) = delete;

  std::vector<double> Render(double seconds) {
    const std::vector<float> mix =
        ddsd.DirectSound()->RenderOffline(static_cast<uint32_t>(seconds * MixRate));
    std::vector<double> left(mix.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = mix[2 * i];
    return left;
  }
};

// The whole sample set loaded on the offline device, every device call recorded.
class SampleSet : public ::testing::Test {
 protected:
  InSampleFolder folder;
  OfflineComponent device;
  TDDSD& ddsd = device.ddsd;
  TWaveBank bank;
  dsound::TestSeam seam;

  void SetUp() override {
    ASSERT_TRUE(ddsd.Available());
    ASSERT_TRUE(FillWaveBank(bank, ddsd).empty());
    seam.ClearCalls();
  }
  void TearDown() override { FreeWaveBank(bank); }

  // The calls that make a sound on the channels: duplicates and channel operations.
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const std::string& c : seam.Calls())
      if (c.starts_with("channel") || c.starts_with("Duplicate")) out.push_back(c);
    return out;
  }
};

std::string Dup(int wave) {
  return "DuplicateSoundBuffer(waves/Sound" + std::to_string(wave) + ".wav)";
}
std::string Freq(int channel, double ratio) {
  return "channel " + std::to_string(channel) + ".SetFrequency(" +
         std::to_string(static_cast<uint32_t>(SampleRate * ratio)) + ")";
}
std::string On(int channel, const char* op) {
  return "channel " + std::to_string(channel) + "." + op;
}
std::vector<std::string> Started(int channel) {
  return {On(channel, "SetCurrentPosition(0)"), On(channel, "Play")};
}
std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST_F(SampleSet, EachAuditionSetsUpChannelZeroInItsOwnOrder) {
  Audition(ddsd, bank, {TAudition::Palette, {7, 1.0}});  // at the sample's own rate
  EXPECT_EQ(Calls(), Join({{Dup(7), On(0, "Stop")}, Started(0)}));
  seam.ClearCalls();
  Audition(ddsd, bank, {TAudition::Click, {21, 0.794}});
  EXPECT_EQ(Calls(),
            Join({{On(0, "Stop"), On(0, "Release"), Dup(21), Freq(0, 0.794)}, Started(0)}));
  seam.ClearCalls();
  Audition(ddsd, bank, {TAudition::Eraser, {20, 1.0}});
  EXPECT_EQ(Calls(), Join({{On(0, "Release"), Dup(20), Freq(0, 1.0), On(0, "Stop")}, Started(0)}));
  seam.ClearCalls();
  Audition(ddsd, bank, {});
  EXPECT_TRUE(seam.Calls().empty());
}

class Voicing : public SampleSet {
 protected:
  TSong song;

  void Voice(int column) { VoiceColumn(song, bank, ddsd, column); }
};

TEST_F(Voicing, AColumnSetsUpItsBankThenSilencesTheOtherAndStartsTogether) {
  for (int row : {2, 6, 10}) song.Cell(row, 8) = 7;
  Voice(8);  // channels 5..7 now ring
  song.Cell(3, 7) = 1;
  song.Cell(10, 7) = 9;
  seam.ClearCalls();
  Voice(7);
  EXPECT_EQ(Calls(), Join({{Dup(21), Freq(1, 1.0), Dup(9), Freq(2, 0.944)},
                           {On(5, "Stop"), On(6, "Stop"), On(7, "Stop")},
                           Started(1),
                           Started(2)}));
}

TEST_F(Voicing, AnEvenColumnTakesTheSecondBankTopmostNoteFirst) {
  for (int row : {1, 5, 9}) song.Cell(row, 3) = 3;
  Voice(3);  // channels 1..3 now ring
  song.Cell(12, 4) = 5;
  song.Cell(3, 4) = 6;
  seam.ClearCalls();
  Voice(4);
  EXPECT_EQ(Calls(), Join({{Dup(24), Freq(5, 1.0), Dup(5), Freq(6, 0.749)},  // row 3 first
                           {On(1, "Stop"), On(2, "Stop"), On(3, "Stop")},
                           Started(5),
                           Started(6)}));
}

TEST_F(Voicing, AnEmptyColumnTouchesNoChannel) {
  song.Cell(4, 1) = 2;
  Voice(1);
  seam.ClearCalls();
  Voice(2);
  Voice(97);  // past the grid: nothing to sound
  EXPECT_TRUE(seam.Calls().empty());
}

TEST_F(Voicing, OneNoteReplacesOnlyTheFirstChannelOfItsBank) {
  for (int row : {1, 5, 9}) song.Cell(row, 9) = 3;
  for (int row : {2, 4, 6}) song.Cell(row, 10) = 10;
  song.Cell(12, 11) = 8;
  Voice(9);
  Voice(10);
  seam.ClearCalls();
  Voice(11);
  EXPECT_EQ(Calls(), Join({{On(1, "Release"), Dup(8), Freq(1, 0.749)},
                           {On(5, "Stop"), On(6, "Stop"), On(7, "Stop")},
                           Started(1)}));  // channels 2 and 3 ring on untouched
}

TEST_F(SampleSet, EveryNoteSoundsF4AndEveryAlternateE5AtItsOwnRate) {
  TDDSDChannel* channel = ddsd.Channels(AuditionChannel);
  for (int n :
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 21, 22, 23, 24, 25, 26, 27, 28, 29}) {
    channel->Stop();
    device.Render(0.05);  // let the stop take effect
    Audition(ddsd, bank, {TAudition::Click, {n, 1.0}});
    const std::vector<double> x =
        device.Render(bank[static_cast<size_t>(n)]->DataSize() / 2.0 / SampleRate);
    // A steady stretch in the middle of the note.
    const size_t from = static_cast<size_t>(0.35 * static_cast<double>(x.size()));
    const size_t count = std::min(static_cast<size_t>(0.3 * static_cast<double>(x.size())),
                                  static_cast<size_t>(0.25 * MixRate));
    const double hz = pomvik::test::estimateFundamental(
                          std::span<const double>(x).subspan(from, count), MixRate, 60, 2000)
                          .hz;
    const double expected = n <= NoteSoundCount ? F4 : E5;
    EXPECT_NEAR(hz, expected, expected * 0.003) << "sound " << n;
  }
}

// The sample set less sample 7, in a folder of its own made the current one.
class WithoutSeven {
 public:
  WithoutSeven() {
    std::filesystem::create_directories(folder_ / "waves");
    for (int n = 1; n <= WaveBankSize; ++n)
      if (n != 7)
        std::filesystem::copy_file(std::filesystem::path(POMVIK_SAMPLE_FOLDER) / WaveFileName(n),
                                   folder_ / WaveFileName(n));
    current_.emplace(folder_);
  }
  ~WithoutSeven() {
    current_.reset();
    std::filesystem::remove_all(folder_);
  }
  WithoutSeven(const WithoutSeven&) = delete;
  WithoutSeven& operator=(const WithoutSeven&) = delete;

 private:
  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() / ("pomvik-core-test-" + std::to_string(::getpid()));
  std::optional<InSampleFolder> current_;
};

TEST(MissingSample, UnderTheShippedOptionsItStaysSilentAndPlaybackGoesOn) {
  WithoutSeven folder;
  OfflineComponent device;
  TWaveBank bank;
  const std::vector<TSampleProblem> problems = FillWaveBank(bank, device.ddsd);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Wave, 7);
  EXPECT_EQ(problems[0].Text(), "waves/Sound7.wav: cannot be opened: No such file or directory");
  for (int n = 1; n <= WaveBankSize; ++n)
    EXPECT_EQ(bank[static_cast<size_t>(n)]->Buffer() != nullptr, n != 7) << "sample " << n;

  TSong song;
  song.Cell(9, 1) = 7;
  VoiceColumn(song, bank, device.ddsd, 1);
  double peak = 0;
  for (double v : device.Render(0.3)) peak = std::max(peak, std::abs(v));
  EXPECT_EQ(peak, 0.0);
  FreeWaveBank(bank);
}

TEST(MissingSample, LoadingStopsAtTheFirstSampleThatRaises) {
  WithoutSeven folder;
  OfflineComponent device(dsoExceptOnError);
  TWaveBank bank;
  const std::vector<TSampleProblem> problems = FillWaveBank(bank, device.ddsd);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Wave, 7);
  for (int n = 1; n <= WaveBankSize; ++n)
    EXPECT_EQ(bank[static_cast<size_t>(n)] != nullptr, n < 7) << "sample " << n;
  EXPECT_NE(bank[6]->Buffer(), nullptr);
  FreeWaveBank(bank);
}

// Without a device nothing loads and FillWaveBank finds nothing wrong; the same rules still
// find each missing sample for a start that asks.
TEST(MissingSample, WithoutADeviceTheFilesAreStillChecked) {
  WithoutSeven folder;
  TDDSD silent(nullptr);
  silent.setOfflineMixRate(MixRate);
  {
    dsound::TestSeam seam;
    seam.Fail(dsound::DsOp::DirectSoundCreateOffline, dsound::DSERR_NODRIVER);
    silent.Loaded();
  }
  ASSERT_FALSE(silent.Available());
  TWaveBank bank;
  EXPECT_TRUE(FillWaveBank(bank, silent).empty());
  const std::vector<TSampleProblem> unloaded = CheckUnloadedWaveBank(silent, "waves");
  ASSERT_EQ(unloaded.size(), 1u);
  EXPECT_EQ(unloaded[0].File, std::filesystem::path("waves/Sound7.wav"));
  FreeWaveBank(bank);

  OfflineComponent device;
  EXPECT_TRUE(CheckUnloadedWaveBank(device.ddsd, "waves").empty());
}

// Sample 7 a FIFO that nobody writes, sample 8 one byte short of its data: the first is
// named at once and never waited on (the alarm ends a test that waits), the second is named
// as damaged and still plays what it has, with a device and without.
TEST(MissingSample, AFifoIsNamedAtOnceAndAFileCutShortIsDamagedButPlays) {
  WithoutSeven folder;
  ASSERT_EQ(mkfifo("waves/Sound7.wav", 0600), 0);
  {
    std::ifstream whole(std::filesystem::path(POMVIK_SAMPLE_FOLDER) / WaveFileName(8),
                        std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
    bytes.pop_back();
    std::ofstream(WaveFileName(8), std::ios::binary | std::ios::trunc) << bytes;
  }
  alarm(20);
  const std::vector<TSampleProblem> checked = CheckWaveFiles("waves");
  OfflineComponent device;
  TWaveBank bank;
  const std::vector<TSampleProblem> loaded = FillWaveBank(bank, device.ddsd);
  alarm(0);
  for (const auto& problems : {checked, loaded}) {
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].Text(), "waves/Sound7.wav: is a FIFO, not a file");
    EXPECT_FALSE(problems[0].Plays);
    EXPECT_TRUE(
        problems[1].Text().starts_with("waves/Sound8.wav: is damaged: its data chunk claims "))
        << problems[1].Text();
    EXPECT_TRUE(problems[1].Plays);
  }
  ASSERT_NE(bank[8]->Buffer(), nullptr);
  Audition(device.ddsd, bank, {TAudition::Click, {8, 1.0}});
  double peak = 0;
  for (double v : device.Render(0.3)) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 0.01);
  FreeWaveBank(bank);
}

TEST(SongWaves, ThePlayedNotesNameTheirSamplesWithTheTopRowsAlternates) {
  TSong song;
  EXPECT_TRUE(WavesOfSong(song).empty());
  song.Cell(9, 1) = 1;   // sound 1's own recording
  song.Cell(5, 2) = 1;   // its alternate, 21, in a top row
  song.Cell(7, 3) = 13;  // sound 13's alternate, 29, reaches row 7
  song.Cell(6, 3) = 4;   // sound 4's alternate stops at row 5
  song.Cell(9, 96) = 9;
  EXPECT_EQ(WavesOfSong(song), (std::vector<int>{1, 4, 9, 21, 29}));
  song.EndColumn = 96;  // column 96 no longer plays
  EXPECT_EQ(WavesOfSong(song), (std::vector<int>{1, 4, 21, 29}));
  song.EndColumn = 1;
  EXPECT_TRUE(WavesOfSong(song).empty());
}

TEST(SampleFolder, TheFirstFolderHoldingASampleIsChosen) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("pomvik-folders-" + std::to_string(::getpid()));
  const fs::path own = root / "user" / "waves", beside = root / "build" / "waves",
                 data = root / "share" / "waves";
  for (const fs::path& f : {own, beside, data}) fs::create_directories(f);
  const auto put = [](const fs::path& file) { std::ofstream(file) << "RIFF"; };
  put(own / "notes.wav");  // a folder of the same name holding other files
  put(beside / "Sound29.wav");
  put(data / "Sound1.wav");

  EXPECT_EQ(FindSampleFolder({own, beside, data}), beside);
  EXPECT_EQ(FindSampleFolder({data, beside}), data);
  put(own / "Sound7.wav");  // a partial set of one's own still comes first
  EXPECT_EQ(FindSampleFolder({own, beside, data}), own);
  EXPECT_EQ(FindSampleFolder({root / "none", root / "user"}), fs::path());

  // The current folder's waves/ is asked first, in the program's own relative name.
  const std::vector<fs::path> candidates = SampleFolderCandidates();
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates.front(), fs::path("waves"));
  EXPECT_EQ(candidates[1], fs::read_symlink("/proc/self/exe").parent_path() / "waves");
  fs::remove_all(root);
}

}  // namespace

// The recovery copy on its own: where it lives, who owns it, how it is written, offered
// back and removed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/RecoveryOffer.h"
#include "core/RecoverySlot.h"
#include "core/RecoveryWriter.h"
#include "core/SongText.h"
#include "tests/support/SongTexts.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

mode_t Mode(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

void SetAge(const fs::path& path, int secondsAgo) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

const std::string kNewSong =
    "SCORE=" + std::string(288, '0') + "\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n";

// A folder of the test's own, gone afterwards.
class Recovery : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/pomvik-recovery-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root = name;
    folder = root / "state" / "pomviksequencer";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, ignored);
    fs::remove_all(root, ignored);
  }

  // A copy left behind by an instance that has ended.
  fs::path LeftBehind(const std::string& text, int secondsAgo = 0) {
    TRecoverySlot slot = TRecoverySlot::Create(folder);
    slot.Write(text);
    if (secondsAgo > 0) SetAge(slot.CopyPath(), secondsAgo);
    return slot.CopyPath();
  }

  fs::path root, folder;
};

TEST(RecoveryFolder, FollowsTheStateHomeThenTheHomeFolder) {
  const auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const std::optional<std::string> state = saved("XDG_STATE_HOME"), home = saved("HOME");

  setenv("XDG_STATE_HOME", "/somewhere/state", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(TRecoverySlot::Folder(), fs::path("/somewhere/state/pomviksequencer"));
  // A relative or empty state home is ignored, as the base directory rules say.
  for (const char* ignored : {"relative/state", ""}) {
    setenv("XDG_STATE_HOME", ignored, 1);
    EXPECT_EQ(TRecoverySlot::Folder(), fs::path("/home/someone/.local/state/pomviksequencer"))
        << ignored;
  }
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(TRecoverySlot::Folder(), fs::path("/home/someone/.local/state/pomviksequencer"));
  unsetenv("HOME");  // then the user's entry in the password database
  EXPECT_EQ(TRecoverySlot::Folder().filename(), "pomviksequencer");
  EXPECT_TRUE(TRecoverySlot::Folder().is_absolute());

  for (const auto& [name, value] : {std::pair{"XDG_STATE_HOME", state}, std::pair{"HOME", home}})
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
}

TEST_F(Recovery, ASlotIsPrivateItsCopyAlwaysWholeAndRemovedWithItsLock) {
  TRecoverySlot slot = TRecoverySlot::Create(folder);
  EXPECT_EQ(Mode(folder), 0700u);
  EXPECT_EQ(Mode(folder.parent_path()), 0700u);  // a missing state home too

  slot.Write(kWorkedExampleText);
  EXPECT_EQ(slot.Read(), kWorkedExampleText);
  EXPECT_EQ(Mode(slot.CopyPath()), 0600u);
  const std::string id = slot.CopyPath().stem().string();
  EXPECT_EQ(Names(folder), (std::set<std::string>{id + ".psq", id + ".lock"}));
  slot.Write(kNewSong);
  EXPECT_EQ(Slurp(slot.CopyPath()), kNewSong);

  // A write that fails half way (here at a file size limit) leaves the last copy whole.
  rlimit limit{}, small{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  small = limit;
  small.rlim_cur = 100;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  try {
    slot.Write(kWorkedExampleText);
    ADD_FAILURE() << "a write past the limit succeeded";
  } catch (const ERecoveryError& e) {
    EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(Slurp(slot.CopyPath()), kNewSong);
  EXPECT_EQ(Names(folder), (std::set<std::string>{id + ".psq", id + ".lock"}));

  slot.RemoveCopy();
  EXPECT_EQ(Names(folder), std::set<std::string>{id + ".lock"});
  slot.Write(kNewSong);
  slot.Remove();
  EXPECT_TRUE(fs::is_empty(folder));

  // Two slots never share a name.
  TRecoverySlot a = TRecoverySlot::Create(folder), b = TRecoverySlot::Create(folder);
  EXPECT_NE(a.CopyPath(), b.CopyPath());
}

TEST_F(Recovery, ACopyIsClaimedOnlyOnceItsOwnerHasEnded) {
  // Another instance: a process that keeps a copy until it is killed.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    TRecoverySlot slot = TRecoverySlot::Create(folder);
    slot.Write(kWorkedExampleText);
    const char done = 1;
    if (write(ready[1], &done, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char done = 0;
  ASSERT_EQ(read(ready[0], &done, 1), 1);
  close(ready[0]);

  TRecoverySlot mine = TRecoverySlot::Create(folder);
  mine.Write(kNewSong);
  EXPECT_TRUE(TRecoverySlot::ClaimOrphans(folder).empty()) << "both owners run";

  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  {
    std::vector<TRecoverySlot> claimed = TRecoverySlot::ClaimOrphans(folder);
    ASSERT_EQ(claimed.size(), 1u);
    EXPECT_EQ(claimed[0].Read(), kWorkedExampleText);
    // While one start considers it, another cannot take it too.
    EXPECT_TRUE(TRecoverySlot::ClaimOrphans(folder).empty());
  }
  // Put off, it is there for the next start.
  EXPECT_EQ(TRecoverySlot::ClaimOrphans(folder).size(), 1u);
}

TEST_F(Recovery, OrphansComeNewestFirstAndLocksWithoutACopyAreTidied) {
  const fs::path old = LeftBehind("old", 300), newest = LeftBehind("newest", 10),
                 middle = LeftBehind("middle", 100);
  std::ofstream(folder / "gone.lock");                     // its owner died before its first copy
  TRecoverySlot starting = TRecoverySlot::Create(folder);  // runs, no copy yet

  std::vector<fs::path> order;
  for (const TRecoverySlot& slot : TRecoverySlot::ClaimOrphans(folder))
    order.push_back(slot.CopyPath());
  EXPECT_EQ(order, (std::vector<fs::path>{newest, middle, old}));
  EXPECT_FALSE(fs::exists(folder / "gone.lock"));
  EXPECT_TRUE(fs::exists(fs::path(starting.CopyPath()).replace_extension(".lock")));
  EXPECT_TRUE(TRecoverySlot::ClaimOrphans(fs::path(root / "nowhere")).empty());
}

TEST_F(Recovery, TheNewestSongIsOfferedFirstAndDamagedCopiesAreSetAsideUnasked) {
  const fs::path oldest = LeftBehind(kNewSong, 400), older = LeftBehind(kWorkedExampleText, 300);
  const fs::path notASong = LeftBehind("hello\r\n", 30), empty = LeftBehind("", 20),
                 bom = LeftBehind("\xEF\xBB\xBF" + kWorkedExampleText, 10),
                 huge = LeftBehind(kNewSong + std::string(std::size_t{1} << 20, ' '), 5),
                 slow = LeftBehind("SCORE=\r\nTEMPO=fast\r\nLOOP=FALSE\r\nEND=1\r\nTIME44=TRUE\r\n",
                                   3);
  fs::create_directory(folder / "folder.psq");

  std::vector<TDamagedCopy> damaged;
  int asked = 0;
  std::optional<TRecoveredSong> restored = OfferOrphanedCopies(
      folder, [&] { return ++asked == 1 ? TRecoveryAnswer::Discard : TRecoveryAnswer::Restore; },
      [&](const TDamagedCopy& d) { damaged.push_back(d); });

  ASSERT_TRUE(restored);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(restored->Text, kNewSong) << "the newer one was discarded, the older restored";
  EXPECT_FALSE(fs::exists(older));
  EXPECT_EQ(restored->Slot.CopyPath(), oldest);
  EXPECT_TRUE(fs::exists(oldest)) << "a restored song keeps its copy until it is saved";

  std::map<fs::path, std::string> reported;
  for (const TDamagedCopy& d : damaged) {
    reported[d.Copy] = d.Problem;
    EXPECT_FALSE(d.Problem.empty());
    EXPECT_TRUE(fs::exists(d.SetAside)) << d.Copy;
    EXPECT_FALSE(fs::exists(d.Copy)) << d.Copy;
  }
  EXPECT_EQ(reported.size(), 6u);
  // The reasons are for the standard error: the key and the value, the system's cause.
  EXPECT_EQ(reported[bom], "not a song: bad score data");
  EXPECT_EQ(reported[slow], "not a song: TEMPO: 'fast' is not an integer");
  for (const fs::path& bad : {notASong, empty})  // the reader looks for the tempo first
    EXPECT_EQ(reported[bad], "not a song: TEMPO: '' is not an integer") << bad;
  EXPECT_EQ(reported[huge], "cannot read " + huge.string() + ": larger than a song can be (1 MiB)");
  EXPECT_EQ(reported[folder / "folder.psq"],
            "cannot read " + (folder / "folder.psq").string() + ": not a regular file");
  EXPECT_EQ(Slurp(fs::path(notASong).replace_extension(".psq.damaged")), "hello\r\n");
  EXPECT_TRUE(TRecoverySlot::ClaimOrphans(folder).empty()) << "the restored copy is owned now";
}

TEST_F(Recovery, AQuestionPutOffOrAnsweredNoLeavesNothingOrEverythingForLater) {
  const fs::path first = LeftBehind(kWorkedExampleText, 20), second = LeftBehind(kNewSong, 10);
  int asked = 0;
  const auto offer = [&](TRecoveryAnswer answer) {
    return OfferOrphanedCopies(
        folder,
        [&] {
          ++asked;
          return answer;
        },
        [](const TDamagedCopy&) { ADD_FAILURE() << "nothing is damaged"; });
  };
  EXPECT_FALSE(offer(TRecoveryAnswer::Later));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(fs::exists(first) && fs::exists(second));
  EXPECT_EQ(TRecoverySlot::ClaimOrphans(folder).size(), 2u);

  EXPECT_FALSE(offer(TRecoveryAnswer::Discard));
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(Recovery, TheWriterKeepsTheLatestTextInOneWriteAndLeavesNothingAtANormalEnd) {
  {
    // A settle longer than the test: only the flush lets the thread write.
    TRecoveryWriter writer(folder, std::nullopt, std::chrono::seconds(60));
    for (int tempo = 100; tempo <= 700; ++tempo)
      writer.Keep("TEMPO=" + std::to_string(tempo) + "\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(writer.Writes(), 0) << "written before the changes settled";
    writer.Flush();
    EXPECT_EQ(writer.Writes(), 1);
    EXPECT_EQ(Slurp(writer.CopyPath()), "TEMPO=700\r\n");

    writer.Drop();
    writer.Flush();
    EXPECT_FALSE(fs::exists(writer.CopyPath()));
    writer.Keep(kNewSong);
    writer.Flush();
    EXPECT_EQ(Slurp(writer.CopyPath()), kNewSong);
    EXPECT_TRUE(TRecoverySlot::ClaimOrphans(folder).empty()) << "the writer owns its copy";
  }
  EXPECT_TRUE(fs::is_empty(folder));

  // A restored copy goes on in the same file.
  const fs::path restored = LeftBehind(kNewSong);
  {
    std::vector<TRecoverySlot> orphans = TRecoverySlot::ClaimOrphans(folder);
    ASSERT_EQ(orphans.size(), 1u);
    TRecoveryWriter writer(folder, std::move(orphans[0]), std::chrono::seconds(60));
    writer.Keep(kWorkedExampleText);
    writer.Flush();
    EXPECT_EQ(writer.CopyPath(), restored);
    EXPECT_EQ(Slurp(restored), kWorkedExampleText);
  }
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(Recovery, TheWriterWritesAboutASecondAfterAChange) {
  TRecoveryWriter writer(folder);
  const auto asked = std::chrono::steady_clock::now();
  writer.Keep(kWorkedExampleText);
  while (writer.CopyPath().empty() || Slurp(writer.CopyPath()) != kWorkedExampleText) {
    ASSERT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3)) << "never written";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(1500));
}

TEST_F(Recovery, TheWriterSaysEachReasonOnceAndAgainOnlyAfterAWriteSucceeded) {
  std::vector<TRecoveryWriter::TProblem> said;
  fs::create_directories(root / "state");
  std::ofstream(folder) << "a file where the folder should be";
  TRecoveryWriter writer(
      folder, std::nullopt, std::chrono::milliseconds(0),
      [&](const TRecoveryWriter::TProblem& problem) { said.push_back(problem); });
  writer.Keep("one");
  writer.Flush();
  writer.Keep("two");
  writer.Flush();
  ASSERT_EQ(said.size(), 1u);
  // One line, which the program's own failure line frames with its name.
  EXPECT_TRUE(said[0].Line.starts_with("cannot keep a recovery copy: ")) << said[0].Line;
  EXPECT_NE(said[0].Line.find(folder.string()), std::string::npos) << said[0].Line;
  EXPECT_EQ(said[0].Reason, "Not a directory");
  EXPECT_TRUE(said[0].First);

  fs::remove(folder);
  writer.Keep("three");
  writer.Flush();
  EXPECT_EQ(Slurp(writer.CopyPath()), "three");

  // The folder taken away under the writer: it starts again in a new one.
  fs::remove_all(folder);
  writer.Keep("four");
  writer.Flush();
  EXPECT_EQ(Slurp(writer.CopyPath()), "four");
  EXPECT_EQ(said.size(), 1u);

  // Failing again after a good write is news again.
  fs::remove_all(folder);
  std::ofstream(folder) << "in the way again";
  writer.Keep("five");
  writer.Flush();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_TRUE(said[1].First);
}

// Each try makes a slot of a new name, so a message that names it differs every time: the
// reason is what is said once. A folder whose entries' paths are too long fails that way,
// whoever runs the test.
TEST_F(Recovery, AFailureNamingANewFileAtEachTryIsStillSaidOnce) {
  fs::path deep = root;
  while (deep.string().size() < PATH_MAX - 20)
    deep /= std::string(std::min<std::size_t>(200, PATH_MAX - 20 - deep.string().size()), 'd');
  std::vector<TRecoveryWriter::TProblem> said;
  TRecoveryWriter writer(
      deep, std::nullopt, std::chrono::milliseconds(0),
      [&](const TRecoveryWriter::TProblem& problem) { said.push_back(problem); });
  for (const char* text : {"one", "two", "three"}) {
    writer.Keep(text);
    writer.Flush();
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].Reason, "File name too long") << said[0].Line;
  EXPECT_EQ(writer.Writes(), 0);
}

TEST(RecoveryCopyText, ACopyNamesItsSongsFileByteForByteAndStillReadsAsASong) {
  for (const std::string& name :
       {std::string("/home/u/song.psq"), std::string("/tmp/a%41 b\r\n\xff\xfe.psq"),
        std::string("/tmp/\xe6\x9b\xb2.psq")}) {
    const std::string copy = RecoveryCopyText(kWorkedExampleText, name);
    EXPECT_EQ(RecordedFileName(copy), name);
    EXPECT_EQ(SongTextProblem(copy), "") << copy;
    EXPECT_TRUE(copy.starts_with(kWorkedExampleText));
    EXPECT_EQ(SplitSongLines(copy).size(), 6u) << "one line, whatever the name holds";
  }
  // Untitled, and a copy from before copies named their file.
  EXPECT_EQ(RecoveryCopyText(kWorkedExampleText, ""), kWorkedExampleText);
  EXPECT_EQ(RecordedFileName(kWorkedExampleText), "");
}

}  // namespace

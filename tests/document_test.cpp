#include "core/Document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/ConvertError.h"
#include "core/Transport.h"
#include "tests/support/SongTexts.h"

namespace {

class History : public ::testing::Test {
 protected:
  TDocument doc;
  const TSongSettingsValues& settings = doc.Settings();
  std::vector<std::string> heard;  // the text at each change the document reported

  void SetUp() override {
    doc.Subscribe([this] { heard.push_back(doc.Text()); });
  }
  void Place(int32_t sound, int row, int column) { doc.EditCell(sound, {row, column}); }
  void Erase(int row, int column) { doc.EditCell(EraserSound, {row, column}); }
  // The user drags the slider through several values.
  void Drag(std::initializer_list<int32_t> tempos) {
    for (int32_t tempo : tempos) doc.SetTempo(tempo);
    doc.Commit();
  }
  int Undos() {
    int n = 0;
    for (; doc.CanUndo(); ++n) doc.Undo();
    return n;
  }
};

TEST_F(History, EachChangeIsOneStepAndUndoRestoresTheSongExactly) {
  struct TState {
    std::string Text;
    TSong Song;
  };
  std::vector<TState> states = {{doc.Text(), doc.Song()}};
  const auto step = [&] { states.push_back({doc.Text(), doc.Song()}); };
  Place(1, 9, 1), step();
  Place(3, 5, 2), step();
  Place(12, 9, 2), step();
  Place(15, 1, 3), step();
  Place(2, 10, 3), step();
  Place(10, 13, 3), step();
  Place(4, 6, 3);    // a fourth note in the column is refused: no step
  Place(10, 13, 3);  // the note that is there already: no step
  Place(EndMarkerSound, 1, 33), step();
  Drag({260, 280, 300}), step();  // one drag, one step
  doc.SetLoop(true), step();
  doc.SetTime44(false), step();
  EXPECT_EQ(doc.Text(), kWorkedExampleText);
  Erase(10, 3), step();
  Place(7, 11, 3), step();  // the column holds three notes again

  // Every step back gives the grid, the column counts, the end and the settings as they
  // were before it.
  for (std::size_t k = states.size() - 1; k > 0; --k) {
    ASSERT_TRUE(doc.CanUndo()) << k;
    doc.Undo();
    const TState& before = states[k - 1];
    EXPECT_EQ(doc.Song().Score, before.Song.Score) << "undoing step " << k;
    EXPECT_EQ(doc.Song().ColumnNoteCount, before.Song.ColumnNoteCount) << "undoing step " << k;
    EXPECT_EQ(doc.Song().EndColumn, before.Song.EndColumn) << "undoing step " << k;
    EXPECT_EQ(doc.Text(), before.Text) << "undoing step " << k;
  }
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(settings.Tempo, DefaultTempo);

  for (std::size_t k = 1; k < states.size(); ++k) {
    ASSERT_TRUE(doc.CanRedo()) << k;
    doc.Redo();
    EXPECT_EQ(doc.Text(), states[k].Text) << "redoing step " << k;
  }
  EXPECT_FALSE(doc.CanRedo());

  // A new change after an undo drops what redo would have reached.
  doc.Undo();
  Place(5, 2, 20);
  EXPECT_FALSE(doc.CanRedo());
  doc.Undo();
  EXPECT_EQ(doc.Text(), states[states.size() - 2].Text);
}

TEST_F(History, ATempoRunIsOneStepEndedByCommitOrTheNextChange) {
  doc.SetTempo(300);  // a key on the slider: the run may go on
  EXPECT_TRUE(doc.CanUndo());
  EXPECT_TRUE(doc.Modified());
  doc.SetTempo(310);
  Place(1, 9, 1);  // ends the run first
  doc.Undo();
  EXPECT_EQ(doc.Song().Cell(9, 1), 0);
  EXPECT_EQ(settings.Tempo, 310);
  doc.Undo();
  EXPECT_EQ(settings.Tempo, DefaultTempo);
  EXPECT_FALSE(doc.CanUndo());

  // Undo in the middle of a run takes the run back; redo is possible only once it has ended.
  doc.SetTempo(400);
  EXPECT_FALSE(doc.CanRedo());
  doc.Undo();
  EXPECT_EQ(settings.Tempo, DefaultTempo);
  EXPECT_TRUE(doc.CanRedo());
  doc.Redo();
  EXPECT_EQ(settings.Tempo, 400);

  // The tempo is clamped to its range, and a tempo the song has already is no change.
  doc.SetTempo(MaxTempo + 1);
  EXPECT_EQ(settings.Tempo, MaxTempo);
  doc.Commit();
  const uint64_t revision = doc.Revision();
  doc.SetTempo(MaxTempo);
  doc.SetLoop(settings.Loop);
  EXPECT_EQ(doc.Revision(), revision);
}

TEST_F(History, TheUnsavedMarkIsClearExactlyAtTheTextLastSavedOpenedOrExported) {
  EXPECT_FALSE(doc.Modified());
  uint64_t revision = doc.Revision();
  const auto changed = [&] {
    const bool grew = doc.Revision() > revision;
    revision = doc.Revision();
    return grew;
  };
  Place(1, 9, 1);
  EXPECT_TRUE(doc.Modified());
  EXPECT_TRUE(changed());
  doc.Undo();
  EXPECT_FALSE(doc.Modified());
  doc.Redo();
  EXPECT_TRUE(doc.Modified());
  doc.Saved();
  EXPECT_FALSE(doc.Modified());
  EXPECT_TRUE(changed());  // a listener learns that the changes are saved
  doc.Undo();
  EXPECT_TRUE(doc.Modified());
  doc.Redo();
  EXPECT_FALSE(doc.Modified());
  Erase(9, 1);
  Place(1, 9, 1);  // back at the saved text by hand
  EXPECT_FALSE(doc.Modified());

  // Open and New begin a new history, with nothing to save.
  EXPECT_EQ(doc.Open(kWorkedExampleText, "/songs/a.psq"), TReadResult::Done);
  EXPECT_TRUE(changed());
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.FileName(), "/songs/a.psq");
  EXPECT_EQ(doc.Text(), kWorkedExampleText);
  Drag({500});
  doc.New();
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_TRUE(doc.Untitled());
  EXPECT_EQ(settings.Tempo, DefaultTempo);
  EXPECT_TRUE(settings.Loop);     // New keeps the loop
  EXPECT_FALSE(settings.Time44);  // and the time signature
  EXPECT_EQ(doc.Song().EndColumn, WholeSongEnd);
}

TEST_F(History, AnImportIsOneStepThatTakesTheNameWithIt) {
  ASSERT_EQ(doc.Open(kWorkedExampleText, "a.psq"), TReadResult::Done);
  Place(9, 2, 4);
  const std::string before = doc.Text();
  const std::string dropped =
      "SCORE=0091" + std::string(95 * 3, '0') + "\r\nTEMPO=120\r\nEND=9\r\n";
  EXPECT_EQ(doc.Import(dropped, "drop.psq", "drop.psq"), TReadResult::Done);
  const std::string after = doc.Text();
  EXPECT_EQ(doc.FileName(), "drop.psq");
  EXPECT_FALSE(doc.Modified());

  // The tempo is read before the grid: a listener must still hear only whole songs.
  heard.clear();
  doc.Undo();
  EXPECT_EQ(heard, std::vector{before});
  EXPECT_EQ(doc.FileName(), "a.psq");
  EXPECT_TRUE(doc.Modified());
  doc.Redo();
  EXPECT_EQ(doc.Text(), after);
  EXPECT_EQ(doc.FileName(), "drop.psq");
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.Import(kWorkedExampleText, "the clipboard", ""), TReadResult::Done);
  EXPECT_TRUE(doc.Untitled());

  // A conversion error: what was read before it is one step, the song is untitled, and the
  // error says which key and where from.
  ASSERT_EQ(doc.Open(kWorkedExampleText, "b.psq"), TReadResult::Done);
  try {
    doc.Import("TEMPO=640\nLOOP=FALSE\nEND=$21\n", "the clipboard", "");
    ADD_FAILURE() << "no conversion error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Key(), "END");
    EXPECT_EQ(e.Origin(), "the clipboard");
  }
  EXPECT_EQ(settings.Tempo, 640);
  EXPECT_FALSE(settings.Loop);
  EXPECT_TRUE(doc.Untitled());
  EXPECT_TRUE(doc.Modified());
  doc.Undo();
  EXPECT_EQ(doc.Text(), kWorkedExampleText);
  EXPECT_EQ(doc.FileName(), "b.psq");
  EXPECT_FALSE(doc.CanUndo());
  // Open keeps the name, so that a later Save cannot write this song over that file.
  EXPECT_THROW(doc.Open("TEMPO=x\n", "c.psq"), EConvertError);
  EXPECT_EQ(doc.FileName(), "b.psq");

  // Bad score data: a new song that keeps the loop and time signature that were read.
  EXPECT_EQ(doc.Import("SCORE=G\nTEMPO=300\nLOOP=FALSE\nEND=5\nTIME44=FALSE\n", "x", "x"),
            TReadResult::BadScoreData);
  EXPECT_EQ(doc.Song().Score, TSong{}.Score);
  EXPECT_EQ(doc.Song().EndColumn, WholeSongEnd);
  EXPECT_EQ(settings.Tempo, DefaultTempo);
  EXPECT_FALSE(settings.Loop);
  EXPECT_FALSE(settings.Time44);
  EXPECT_TRUE(doc.Untitled());
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
}

TEST_F(History, ARestoredSongIsUntitledAndUnsavedWithANewHistory) {
  ASSERT_EQ(doc.Open(kWorkedExampleText, "a.psq"), TReadResult::Done);
  Place(9, 2, 4);
  const std::string kept = doc.Text();
  doc.New();
  EXPECT_EQ(doc.Restore(kept, "recovery"), TReadResult::Done);
  EXPECT_EQ(doc.Text(), kept);
  EXPECT_TRUE(doc.Untitled());
  EXPECT_TRUE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  Place(1, 1, 1);
  doc.Undo();
  EXPECT_TRUE(doc.Modified());  // even back at the restored text
  const std::string empty =
      "SCORE=" + std::string(288, '0') + "\r\nTEMPO=250\r\nLOOP=TRUE\r\nEND=97\r\nTIME44=FALSE\r\n";
  doc.Restore(empty, "recovery");
  EXPECT_TRUE(doc.Modified());  // even when it is what New gives

  // A copy that is no song leaves a new, empty song.
  EXPECT_THROW(doc.Restore("SCORE=\nTEMPO=300\nEND=x\n", "recovery"), EConvertError);
  EXPECT_EQ(settings.Tempo, DefaultTempo);
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.Restore("SCORE=091\nTEMPO=300\nEND=4\n", "recovery"), TReadResult::BadScoreData);
  EXPECT_EQ(doc.Song().Score, TSong{}.Score);
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
}

TEST_F(History, AThousandStepsLeadBackToTheEmptySong) {
  const std::string empty = doc.Text();
  for (int k = 0; k < 1000; ++k) {
    if (k % 2 == 0)
      Place(k / 2 % NoteSoundCount + 1, 9, 1);
    else
      Place(EndMarkerSound, 1, k % 4 == 1 ? 50 : 60);
  }
  EXPECT_EQ(Undos(), 1000);
  EXPECT_EQ(doc.Text(), empty);
}

TEST(SongHistory, KeepsTheLatestStepsUpToItsLimitAndTheirRenames) {
  TSongHistory history;
  history.Reset("t0");
  for (int k = 1; k < 3000; ++k) history.Record("t" + std::to_string(k));
  EXPECT_EQ(history.Steps(), TSongHistory::DefaultMaxSteps);
  std::size_t undone = 0;
  for (; history.CanUndo(); ++undone) EXPECT_FALSE(history.Undo().Name);
  EXPECT_EQ(undone, 1000u);
  EXPECT_EQ(history.Current(), "t1999");

  history.Reset("a");
  history.Record("b", TRename{"old.psq", ""});
  history.Record("c");
  EXPECT_EQ(history.Undo().Name, std::nullopt);
  EXPECT_EQ(history.Undo().Name, std::optional<std::string>("old.psq"));
  EXPECT_EQ(history.Redo().Name, std::optional<std::string>(""));
  EXPECT_EQ(history.Current(), "b");
}

}  // namespace

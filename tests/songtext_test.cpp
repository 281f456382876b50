#include "core/SongText.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/ConvertError.h"
#include "core/SongFile.h"
#include "core/SongSettings.h"
#include "tests/support/SongTexts.h"

namespace {

const std::string kEmptyScore(288, '0');

const std::string& kWorkedExample = kWorkedExampleText;

TSong WorkedExampleSong() {
  TSong song;
  song.Cell(9, 1) = 1;
  song.Cell(5, 2) = 3;
  song.Cell(9, 2) = 12;
  song.Cell(1, 3) = 15;
  song.Cell(10, 3) = 2;
  song.Cell(13, 3) = 10;
  song.ColumnNoteCount[1] = 1;
  song.ColumnNoteCount[2] = 2;
  song.ColumnNoteCount[3] = 3;
  song.EndColumn = 33;
  return song;
}

// Keeps the settings and the order in which the reader handed them over.
class TRecordingTarget : public TSongSettingsTarget {
 public:
  TSongSettings Settings;
  std::vector<std::string> Calls;
  void ApplyTempo(int32_t tempo) override {
    Calls.push_back("tempo " + std::to_string(tempo));
    Settings.ApplyTempo(tempo);
  }
  void ApplyLoop(bool on) override {
    Calls.push_back(on ? "loop on" : "loop off");
    Settings.ApplyLoop(on);
  }
  void ApplyTime44(bool on) override {
    Calls.push_back(on ? "4/4" : "3/4");
    Settings.ApplyTime44(on);
  }
};

struct TRead {
  TReadResult Result;
  TSong Song;
  TRecordingTarget Target;
};

TRead Read(const std::string& text, const TSong& start = TSong{}) {
  TRead r{TReadResult::Done, start, {}};
  r.Result = ReadSongText(SplitSongLines(text), r.Song, r.Target);
  return r;
}

std::string Text(const std::string& score, const std::string& rest = "TEMPO=250\r\nEND=97\r\n") {
  return "SCORE=" + score + "\r\n" + rest;
}

// A song with a note in every cell pattern that the writer must get right: three, two,
// one and no notes, high row and sound digits.
TSong FullSong() {
  TSong song;
  for (int c = 1; c <= ColumnCount; ++c) {
    const int n = c % 4;
    for (int k = 0; k < n; ++k) song.Cell(1 + (c + 4 * k) % RowCount, c) = 1 + (c + k) % 15;
    song.ColumnNoteCount[static_cast<std::size_t>(c)] = n;
  }
  return song;
}

TEST(SongText, WorkedExampleAndEmptySongByteForByte) {
  EXPECT_EQ(BuildSongText(WorkedExampleSong(), {300, true, false}), kWorkedExample);
  EXPECT_EQ(BuildSongText(TSong{}, {}),
            "SCORE=" + kEmptyScore + "\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n");

  TRead r = Read(kWorkedExample);
  ASSERT_EQ(r.Result, TReadResult::Done);
  EXPECT_EQ(r.Song.Score, WorkedExampleSong().Score);
  EXPECT_EQ(r.Song.ColumnNoteCount, WorkedExampleSong().ColumnNoteCount);
  EXPECT_EQ(r.Song.EndColumn, 33);
  EXPECT_EQ(r.Target.Calls, (std::vector<std::string>{"tempo 300", "loop on", "3/4"}));

  // Every column shape survives a round trip.
  const TSong full = FullSong();
  const std::string text = BuildSongText(full, {700, false, true});
  TRead back = Read(text);
  EXPECT_EQ(back.Song.Score, full.Score);
  EXPECT_EQ(back.Song.ColumnNoteCount, full.ColumnNoteCount);
  EXPECT_EQ(BuildSongText(back.Song, back.Target.Settings.Values), text);
}

TEST(SongText, ReaderAcceptsAnyLineOrderKeyCaseAndSlotOrder) {
  // Lower-case keys, other order, a line without "=", a second TEMPO that does not count, and
  // a value that runs to the end of the line after the first "=".
  std::string shuffled =
      "time44=FALSE\nTEMPO\nEnd=33\r\nLoop=TRUE\rtempo=300\n"
      "TEMPO=100\r\nscore=9100_9C530_DA1FA2" +  // slots of columns 1..3 in other orders
      std::string(93 * 3, '0') +
      "trailing=ignored\r\n";
  std::erase(shuffled, '_');
  TRead r = Read(shuffled);
  ASSERT_EQ(r.Result, TReadResult::Done);
  EXPECT_EQ(BuildSongText(r.Song, r.Target.Settings.Values), kWorkedExample);

  // Notes at or after the end are kept like any others.
  TSong late;
  late.Cell(13, 96) = 15;
  late.ColumnNoteCount[96] = 1;
  late.EndColumn = 1;
  const std::string text = BuildSongText(late, {});
  EXPECT_EQ(BuildSongText(Read(text).Song, {}), text);
  // Read over it, an empty column is emptied down to its last row.
  TSongSettings settings;
  ASSERT_EQ(ReadSongText(SplitSongLines(BuildSongText(TSong{}, {})), late, settings),
            TReadResult::Done);
  EXPECT_EQ(late.Cell(13, 96), 0);
  EXPECT_EQ(late.ColumnNoteCount[96], 0);
}

// Pairs that no writer makes: the column counts its occupied cells, so writing it again
// gives well-formed text.
TEST(SongText, ColumnCountIsItsOccupiedCells) {
  // Column 1: a pair with sound 0 empties the cell an earlier pair filled. Column 2: the same
  // row twice, the later sound wins. Column 96: a row digit ends the text.
  const std::string score = "91900" + std::string("91920") + std::string(93 * 3, '0') + "00D";
  TRead r = Read(Text(score));
  ASSERT_EQ(r.Result, TReadResult::Done);
  EXPECT_EQ(r.Song.Cell(9, 1), 0);
  EXPECT_EQ(r.Song.ColumnNoteCount[1], 0);
  EXPECT_EQ(r.Song.Cell(9, 2), 2);
  EXPECT_EQ(r.Song.ColumnNoteCount[2], 1);
  EXPECT_EQ(r.Song.Cell(13, 96), 0);
  EXPECT_EQ(r.Song.ColumnNoteCount[96], 0);
  EXPECT_EQ(BuildSongText(r.Song, {}),
            "SCORE=000" + std::string("0092") + std::string(94 * 3, '0') +
                "\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n");
}

TEST(SongText, OnlyFalseSwitchesOffAndNumbersAreBroughtIntoRange) {
  struct Case {
    std::string Value;
    bool On;
  };
  for (const Case& c : std::vector<Case>{
           {"FALSE", false}, {"TRUE", true}, {"false", true}, {"", true}, {"FALSE ", true}}) {
    TRead r = Read(Text(
        kEmptyScore, "TEMPO=250\r\nEND=97\r\nLOOP=" + c.Value + "\r\nTIME44=" + c.Value + "\r\n"));
    EXPECT_EQ(r.Target.Settings.Values.Loop, c.On) << c.Value;
    EXPECT_EQ(r.Target.Settings.Values.Time44, c.On) << c.Value;
  }
  TRead missing = Read(Text(kEmptyScore));
  EXPECT_TRUE(missing.Target.Settings.Values.Loop);
  EXPECT_TRUE(missing.Target.Settings.Values.Time44);

  for (auto [tempo, kept] : {std::pair{"50", 100}, {"1000", 700}, {"100", 100}, {"700", 700}}) {
    TRead r = Read(Text(kEmptyScore, std::string("TEMPO=") + tempo + "\r\nEND=97\r\n"));
    EXPECT_EQ(r.Target.Calls.front(), std::string("tempo ") + tempo);
    EXPECT_EQ(r.Target.Settings.Values.Tempo, kept) << tempo;
  }
  for (auto [end, kept] : {std::pair{"0", 97}, {"98", 97}, {"-5", 97}, {"1", 1}, {"97", 97}}) {
    TRead r = Read(Text(kEmptyScore, std::string("TEMPO=250\r\nEND=") + end + "\r\n"));
    EXPECT_EQ(r.Song.EndColumn, kept) << end;
  }
}

TEST(StrToInt, TakesPlainDecimalWithASignOnly) {
  EXPECT_EQ(StrToInt("300"), 300);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_EQ(StrToInt("000042"), 42);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "+", "-", " 300", "300 ", "$12C", "0x12C", "12C", "1e3", "3.0",
                          "2147483648", "-2147483649", "99999999999999999999"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(bad) + "' は整数ではありません");
    }
  }
  // A long value is cut short in the message, never inside a character.
  const std::string longText = std::string(63, 'x') + "\xE3\x81\x82" + std::string(5000, '7');
  try {
    StrToInt(longText);
    ADD_FAILURE() << "accepted a long text";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.what(), "'" + std::string(63, 'x') + "...' は整数ではありません");
    EXPECT_EQ(e.Text(), longText);
  }
}

TEST(SongText, ConversionErrorLeavesWhatWasAppliedBeforeIt) {
  const TSong before = WorkedExampleSong();
  const std::string score = "SCORE=" + kEmptyScore + "\r\n";
  for (const std::string tempo : {"TEMPO=300 \r\n", "TEMPO = 300\r\n", "TEMPO=\r\n", ""}) {
    TRead r{TReadResult::Done, before, {}};
    EXPECT_THROW(
        ReadSongText(SplitSongLines(score + tempo + "LOOP=FALSE\r\nEND=5\r\n"), r.Song, r.Target),
        EConvertError)
        << tempo;
    EXPECT_TRUE(r.Target.Calls.empty()) << tempo;
    EXPECT_EQ(r.Song.Score, before.Score);
    EXPECT_EQ(r.Song.EndColumn, 33);
  }

  TRead r{TReadResult::Done, before, {}};
  try {
    ReadSongText(SplitSongLines(score + "TEMPO=400\r\nLOOP=FALSE\r\nEND=x1\r\nTIME44=TRUE\r\n"),
                 r.Song, r.Target);
    ADD_FAILURE() << "END=x1 accepted";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Text(), "x1");
  }
  EXPECT_EQ(r.Target.Calls, (std::vector<std::string>{"tempo 400", "loop off"}));
  EXPECT_EQ(r.Song.EndColumn, 33);
  EXPECT_EQ(r.Song.Score, before.Score);
  EXPECT_EQ(r.Song.ColumnNoteCount, before.ColumnNoteCount);
}

TEST(SongText, BadScoreDataStopsInItsColumn) {
  // Column 1 is new, column 2 fails after one pair, column 3 keeps the old song's notes.
  const TSong before = WorkedExampleSong();
  for (const std::string fault : {"E1", "1G", "1a", "a1"}) {
    const std::string score = "0092" + std::string("053") + fault;
    TRead r = Read(Text(score, "TEMPO=500\r\nLOOP=FALSE\r\nEND=40\r\n"), before);
    ASSERT_EQ(r.Result, TReadResult::BadScoreData) << fault;
    EXPECT_EQ(r.Target.Calls, (std::vector<std::string>{"tempo 500", "loop off", "4/4"}));
    EXPECT_EQ(r.Song.EndColumn, 40);
    EXPECT_EQ(r.Song.Cell(9, 1), 2);
    EXPECT_EQ(r.Song.ColumnNoteCount[1], 1);
    EXPECT_EQ(r.Song.Cell(5, 2), 3);
    EXPECT_EQ(r.Song.Cell(9, 2), 0);
    EXPECT_EQ(r.Song.ColumnNoteCount[2], 1);
    EXPECT_EQ(r.Song.Cell(1, 3), 15);
    EXPECT_EQ(r.Song.ColumnNoteCount[3], 3);
  }
  // Cut short, with more than a last sound digit missing.
  EXPECT_EQ(Read(Text(std::string(287, '0'))).Result, TReadResult::BadScoreData);
  EXPECT_EQ(Read(Text(std::string(286, '0') + "9")).Result, TReadResult::BadScoreData);
  // A byte-order mark hides the SCORE key: the settings apply, the empty score is bad.
  TRead bom = Read("\xEF\xBB\xBF" + Text(kEmptyScore, "TEMPO=300\r\nEND=12\r\n"));
  EXPECT_EQ(bom.Result, TReadResult::BadScoreData);
  EXPECT_EQ(bom.Target.Settings.Values.Tempo, 300);
  EXPECT_EQ(bom.Song.EndColumn, 12);
}

TEST(SongLines, EndAtCrLfLoneCrOrLfAndTheTextAtNul) {
  using L = TSongLines;
  EXPECT_EQ(SplitSongLines(""), L{});
  EXPECT_EQ(SplitSongLines("a"), L{"a"});
  EXPECT_EQ(SplitSongLines("a\r\n"), L{"a"});
  EXPECT_EQ(SplitSongLines("\r\n"), L{""});
  EXPECT_EQ(SplitSongLines("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitSongLines("a\n\rb\r\r\nc"), (L{"a", "", "b", "", "c"}));
  EXPECT_EQ(SplitSongLines(std::string("a\r\nb\0c\r\nd", 10)), (L{"a", "b"}));
  EXPECT_EQ(SplitSongLines(std::string("\0a", 2)), L{});
}

TEST(SongFile, ReadsWholeRegularFilesUpToTheLimit) {
  std::string pattern = (std::filesystem::temp_directory_path() / "pomvik-song-XXXXXX").string();
  const std::filesystem::path dir = mkdtemp(pattern.data());
  const auto write = [&](const char* name, std::size_t size) {
    std::ofstream(dir / name, std::ios::binary) << std::string(size, 'x');
    return dir / name;
  };
  EXPECT_EQ(ReadSongFile(write("empty.psq", 0)), "");
  EXPECT_EQ(ReadSongFile(write("largest.psq", MaxSongFileBytes)).size(), MaxSongFileBytes);
  const auto message = [](const std::filesystem::path& path) {
    try {
      ReadSongFile(path);
    } catch (const EFOpenError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  EXPECT_EQ(message(write("huge.psq", MaxSongFileBytes + 1)),
            "ファイル " + (dir / "huge.psq").string() + " は大きすぎます");
  EXPECT_EQ(message(dir), "ファイル " + dir.string() + " は開けません");
  EXPECT_EQ(message("/dev/zero"), "ファイル /dev/zero は開けません");
  EXPECT_EQ(message(dir / "missing.psq"),
            "ファイル " + (dir / "missing.psq").string() + " は開けません");
  std::filesystem::remove_all(dir);
}

}  // namespace

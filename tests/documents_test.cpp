#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/layout/Image.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/ToolBar.h"
#include "tests/support/DocumentsFixture.h"
#include "tests/support/SongTexts.h"

namespace {

using namespace documents;

TEST_F(Documents, ASongSurvivesSaveAsNewOpenTheClipboardAndADrop) {
  Place(1, 9, 1);
  Place(3, 5, 2);
  Place(12, 9, 2);
  Place(15, 1, 3);
  Place(2, 10, 3);
  Place(10, 13, 3);
  c.ScrollBar->setValue(1000);
  Place(EndMarkerSound, 1, 33);
  c.ScrollBar->setValue(0);
  c.TempoBar->setValue(300);
  c.LoopBtn->click();
  c.TimeBtn34->click();

  answers.Files = {Path("song")};
  c.SaveAsAction->trigger();
  const QString file = Path("song.psq");
  EXPECT_EQ(Read(file), kWorkedExampleText);
  EXPECT_EQ(f.SongFileName(), file);
  EXPECT_FALSE(f.Document().Modified());

  c.NewAction->trigger();
  c.LoopBtn->click();
  c.TimeBtn44->click();
  EXPECT_EQ(f.Song().ColumnNoteCount, TSong{}.ColumnNoteCount);
  answers.Files = {file};
  c.OpenAction->trigger();
  EXPECT_EQ(Shown(), (std::vector{Dialog("SaveDialog1", Untitled), Confirmed(),
                                  Dialog("OpenDialog1", QString())}));
  EXPECT_EQ(f.SongFileName(), file);
  EXPECT_FALSE(f.Document().Modified());
  EXPECT_EQ(c.LoopBtn->ImageIndex(), PlayerPicture::LoopDown);
  EXPECT_EQ(c.TimeBtn34->ImageIndex(), EtcPicture::Time34Down);
  EXPECT_EQ(c.TimeBtn44->ImageIndex(), EtcPicture::Time44Up);
  EXPECT_EQ(f.windowTitle(), QStringLiteral("PomvikSequencer"));
  EXPECT_EQ(SongText(), kWorkedExampleText);  // the export

  c.NewAction->trigger();
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(f.SongFileName(), Untitled);
  EXPECT_FALSE(f.Document().Modified());
  EXPECT_EQ(SongText(), kWorkedExampleText);

  c.NewAction->trigger();
  Modify();
  Drop({QUrl::fromLocalFile(file)});
  EXPECT_EQ(f.SongFileName(), file);
  EXPECT_FALSE(f.Document().Modified());
  EXPECT_EQ(SongText(), kWorkedExampleText);

  Shown();
  Modify();
  f.close();
  EXPECT_EQ(Shown(), std::vector{Confirmed()});
  EXPECT_FALSE(f.isVisible());
}

TEST_F(Documents, SaveCompletesTheNameAndAsksBeforeReplacing) {
  c.SaveAction->trigger();  // untitled: Save As, cancelled
  EXPECT_EQ(Shown(), std::vector{Dialog("SaveDialog1", Untitled)});
  EXPECT_EQ(f.SongFileName(), Untitled);

  struct Case {
    const char* Typed;
    const char* Written;
  };
  for (const Case& name :
       {Case{"a", "a.psq"}, {"A.PSQ", "A.PSQ.psq"}, {"a.psq.bak", "a.psq.bak"}}) {
    Modify();
    answers.Files = {Path(name.Typed)};
    c.SaveAsAction->trigger();
    EXPECT_EQ(f.SongFileName(), Path(name.Written));
    EXPECT_FALSE(f.Document().Modified());
    EXPECT_EQ(Read(Path(name.Written)), SongText()) << name.Typed;
  }
  // A named song is saved without a dialog.
  Shown();
  c.TempoBar->setValue(640);
  c.SaveAction->trigger();
  EXPECT_EQ(Shown(), std::vector<TShown>{});
  EXPECT_NE(Read(Path("a.psq.bak")).find("TEMPO=640"), std::string::npos);

  // The dialog asks about the name as typed; the completed name is asked about here.
  const std::string old = Read(Path("a.psq"));
  Modify();
  answers.Files = {Path("a")};
  answers.Confirm = {false};
  c.SaveAsAction->trigger();
  const QString replace = QStringLiteral("ファイル %1 は既に存在します。上書きしますか?");
  EXPECT_EQ(Shown(), (std::vector{Dialog("SaveDialog1", Path("a.psq.bak")),
                                  TShown{"confirm", QString(), replace.arg(Path("a.psq"))}}));
  EXPECT_EQ(Read(Path("a.psq")), old);
  EXPECT_EQ(f.SongFileName(), Path("a.psq.bak"));
  EXPECT_TRUE(f.Document().Modified());
}

TEST_F(Documents, ACancelledSaveAtTheQuestionStopsTheCommandThatAsked) {
  c.NewAction->trigger();
  EXPECT_EQ(Shown(), std::vector<TShown>{});

  // Yes on a named song still opens Save As; cancelling it keeps the song, its name and its
  // unsaved mark, whichever command asked.
  answers.Files = {Path("named")};
  c.SaveAsAction->trigger();
  Place(5, 4, 2);
  Shown();
  const std::string edited = f.Document().Text();
  QGuiApplication::clipboard()->setText(QString::fromStdString(kWorkedExampleText));
  const QString other = Write("other.psq", kWorkedExampleText);
  std::vector<std::pair<const char*, std::function<void()>>> commands = {
      {"new", [&] { c.NewAction->trigger(); }},
      {"open", [&] { c.OpenAction->trigger(); }},
      {"import", [&] { c.LoadFromClipbrdAction->trigger(); }},
      {"drop", [&] { Drop({QUrl::fromLocalFile(other)}); }},
      {"quit", [&] { c.Exit1->trigger(); }},
  };
  // Escape or the close box at the question stops it the same way, with no dialog.
  const auto close = [&] { f.close(); };
  commands.push_back({"close box", close});
  for (const std::optional<bool> answer : {std::optional<bool>(true), std::optional<bool>()}) {
    for (const auto& [name, command] : commands) {
      answers.Confirm = {answer};
      command();
      const std::vector<TShown> shown =
          answer ? std::vector{Confirmed(), Dialog("SaveDialog1", Path("named.psq"))}
                 : std::vector{Confirmed()};
      EXPECT_EQ(Shown(), shown) << name;
      EXPECT_EQ(f.Document().Text(), edited) << name;
      EXPECT_TRUE(f.Document().Modified()) << name;
      EXPECT_EQ(f.SongFileName(), Path("named.psq")) << name;
      EXPECT_TRUE(f.isVisible()) << name;
      EXPECT_EQ(Clipboard(), kWorkedExampleText) << name;
    }
  }
  // Yes and a save: the command goes on.
  answers.Confirm = {true};
  answers.Files = {Path("kept")};
  c.NewAction->trigger();
  EXPECT_EQ(Read(Path("kept.psq")), edited);
  EXPECT_EQ(f.Song().Cell(4, 2), 0);
  EXPECT_EQ(f.SongFileName(), Untitled);
  Shown();

  // No, then a cancelled Open: the song and its unsaved state stay, and the next command asks.
  Place(5, 4, 2);
  c.OpenAction->trigger();
  EXPECT_EQ(f.Song().Cell(4, 2), 5);
  EXPECT_TRUE(f.Document().Modified());
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(Shown(), (std::vector{Confirmed(), Dialog("OpenDialog1", QString()), Confirmed()}));
}

TEST_F(Documents, OpenChangesOnlyWhatItCouldRead) {
  Place(7, 6, 1);
  const TSong before = f.Song();
  const auto unchanged = [&](const char* what) {
    EXPECT_EQ(f.Song().Score, before.Score) << what;
    EXPECT_EQ(f.SongFileName(), Untitled) << what;
    EXPECT_TRUE(f.Document().Modified()) << what;
  };
  const QString huge = Write("huge.psq", kWorkedExampleText + std::string(1 << 20, '\n'));
  QString proposed;  // the open dialog proposes the name last chosen in it
  for (const QString& name : {Path("missing.psq"), dir.path(), huge}) {
    answers.Files = {name};
    c.OpenAction->trigger();
    const QString reason =
        name == huge ? QStringLiteral("は大きすぎます") : QStringLiteral("は開けません");
    EXPECT_EQ(Shown(), (std::vector{Confirmed(), Dialog("OpenDialog1", proposed),
                                    Error("ファイル " + name + " " + reason)}));
    unchanged("unreadable");
    proposed = name;
  }
  // A conversion error at END: tempo and loop applied, the rest and the name kept.
  answers.Files = {Write("end.psq", "TEMPO=640\r\nLOOP=TRUE\r\nEND=$21\r\nSCORE=")};
  c.OpenAction->trigger();
  EXPECT_EQ(LastShown(), Error("'$21' は整数ではありません"));
  EXPECT_EQ(c.TempoBar->value(), 640);
  EXPECT_TRUE(c.LoopBtn->isChecked());
  unchanged("conversion error");
  answers.Files = {Write("empty.psq", "")};
  c.OpenAction->trigger();
  EXPECT_EQ(LastShown(), Error("'' は整数ではありません"));

  // Bad score data: a new song that keeps the file's loop and time signature.
  answers.Files = {Write("bad.psq", "SCORE=0E1\nTEMPO=300\nLOOP=FALSE\nEND=5\nTIME44=FALSE\n")};
  c.OpenAction->trigger();
  EXPECT_EQ(LastShown(), Message("データが不正です"));
  EXPECT_EQ(f.Song().Score, TSong{}.Score);
  EXPECT_EQ(f.Song().EndColumn, WholeSongEnd);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo);
  EXPECT_FALSE(c.LoopBtn->isChecked());
  EXPECT_TRUE(c.TimeBtn34->isChecked());
  EXPECT_EQ(f.SongFileName(), Untitled);
  EXPECT_FALSE(f.Document().Modified());
}

TEST_F(Documents, AFailedSaveKeepsTheOldFileTheFlagAndTheWindow) {
  const QString file = Write("kept.psq", "old");
  answers.Files = {file};
  Place(3, 3, 3);
  // The file may not grow past a few bytes: the write fails half-way.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &small);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  c.SaveAsAction->trigger();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(LastShown(), Error("ファイル " + file + " を作成できません"));
  EXPECT_EQ(Read(file), "old");
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(f.SongFileName(), file);

  // Yes at the question on closing, and the save fails: the window stays open.
  answers.Confirm = {true};
  answers.Files = {Path("no/such/folder/x")};
  f.close();
  EXPECT_EQ(LastShown(), Error("ファイル " + Path("no/such/folder/x.psq") + " を作成できません"));
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.Document().Modified());
}

TEST_F(Documents, ClipboardImportAndExport) {
  Place(9, 2, 1);
  const std::string text = SongText();
  EXPECT_FALSE(f.Document().Modified());  // an export counts as a save
  EXPECT_EQ(f.SongFileName(), Untitled);
  f.FormClose();
  EXPECT_EQ(Shown(), std::vector<TShown>{});

  // An image, or nothing: after the question, nothing happens.
  QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
  Modify();
  c.LoadFromClipbrdAction->trigger();
  QGuiApplication::clipboard()->clear();
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(Shown(), (std::vector{Confirmed(), Confirmed()}));
  EXPECT_EQ(f.Song().Cell(2, 1), 9);
  EXPECT_TRUE(f.Document().Modified());

  // A conversion error: the name is already untitled, the rest as the text left it.
  answers.Files = {Path("named")};
  c.SaveAsAction->trigger();
  c.TempoBar->setValue(200);
  QGuiApplication::clipboard()->setText(QStringLiteral("TEMPO=300\nEND=x\n"));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(LastShown(), Error("'x' は整数ではありません"));
  EXPECT_EQ(f.SongFileName(), Untitled);
  EXPECT_EQ(c.TempoBar->value(), 300);
  EXPECT_EQ(f.Song().Cell(2, 1), 9);
  EXPECT_TRUE(f.Document().Modified());

  QGuiApplication::clipboard()->setText(
      QStringLiteral("SCORE=91\r\nTEMPO=400\r\nLOOP=TRUE\r\nEND=3\r\nTIME44=FALSE"));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(LastShown(), Message("file import err "));
  EXPECT_EQ(f.Song().Score, TSong{}.Score);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo);
  EXPECT_TRUE(c.LoopBtn->isChecked());
  EXPECT_TRUE(c.TimeBtn34->isChecked());
  EXPECT_FALSE(f.Document().Modified());

  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(SongText(), text);
}

TEST_F(Documents, ADropImportsTheFirstFileThroughTheClipboard) {
  // A long name is used whole; its lines reach the clipboard with CR LF.
  const QString deep = dir.path() + "/" + QString(120, 'd') + "/" + QString(120, 'e');
  QDir().mkpath(deep);
  const QString name = deep + "/tune";
  {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("SCORE=0091") + QByteArray(95 * 3, '0') + "\nTEMPO=120\nEND=9\n");
  }
  const QString second = Write("second.psq", kWorkedExampleText);
  Modify();
  Drop({QUrl::fromLocalFile(name), QUrl::fromLocalFile(second)});
  EXPECT_EQ(Shown(), std::vector{Confirmed()});
  EXPECT_EQ(Clipboard(), "SCORE=0091" + std::string(95 * 3, '0') + "\r\nTEMPO=120\r\nEND=9\r\n");
  EXPECT_EQ(f.Song().Cell(9, 1), 1);
  EXPECT_EQ(f.Song().EndColumn, 9);
  EXPECT_EQ(f.SongFileName(), name);
  EXPECT_FALSE(f.Document().Modified());

  // Bad score data: a new song that stays untitled.
  Drop({QUrl::fromLocalFile(Write("bad.psq", "SCORE=G\nTEMPO=1\nEND=1\n"))});
  EXPECT_EQ(Shown(), std::vector{Message("file import err ")});
  EXPECT_EQ(f.SongFileName(), Untitled);

  // Nothing read: nothing changes, and the unsaved changes are still asked about.
  Place(4, 4, 4);
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  const QUrl web(QStringLiteral("https://example.org/song.psq"));
  for (const QUrl& url : {QUrl::fromLocalFile(dir.path()), web}) {
    Drop({url});
    const QString shownName = url == web ? url.toDisplayString() : dir.path();
    EXPECT_EQ(Shown(),
              (std::vector{Confirmed(), Error("ファイル " + shownName + " は開けません")}));
    EXPECT_TRUE(f.Document().Modified());
    EXPECT_EQ(Clipboard(), "kept");
  }
  // Not a song at all: its text stays on the clipboard, the song keeps its grid and the
  // question for its changes.
  Drop({QUrl::fromLocalFile(Write("notes.txt", "hello"))});
  EXPECT_EQ(LastShown(), Error("'' は整数ではありません"));
  EXPECT_EQ(Clipboard(), "hello\r\n");
  EXPECT_EQ(f.Song().Cell(4, 4), 4);
  EXPECT_EQ(f.SongFileName(), Untitled);
  EXPECT_TRUE(f.Document().Modified());
}

}  // namespace

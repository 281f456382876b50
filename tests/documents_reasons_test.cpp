// Song bytes read one way on every path, the reasons every failure gives on the standard
// error, the view kept current by the document commands, and the real question box.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/SongFile.h"
#include "core/Transport.h"
#include "tests/support/DocumentsFixture.h"
#include "tests/support/SongTexts.h"

namespace {

using namespace documents;

// What the program says on the standard error while `run` runs, line by line. A pipe, not
// a file, takes it: a test may limit the size of files while it runs.
std::vector<std::string> ErrorLines(const std::function<void()>& run) {
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  std::fflush(stderr);
  const int kept = dup(STDERR_FILENO);
  dup2(ends[1], STDERR_FILENO);
  close(ends[1]);
  run();
  std::fflush(stderr);
  dup2(kept, STDERR_FILENO);
  close(kept);
  std::string said;
  char chunk[4096];
  for (ssize_t n; (n = read(ends[0], chunk, sizeof chunk)) > 0;)
    said.append(chunk, static_cast<std::size_t>(n));
  close(ends[0]);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < said.size(); start = end + 1) {
    end = said.find('\n', start);
    if (end == std::string::npos) end = said.size();
    const std::string line = said.substr(start, end - start);
    // Qt's own remarks about the offscreen platform are not the program's.
    if (line.rfind("This plugin", 0) != 0) lines.push_back(line);
  }
  return lines;
}

std::string Program(const std::string& line) { return Title.toStdString() + ": " + line; }

TEST_F(Documents, AByteOrderMarkIsBadScoreDataOnEveryPath) {
  Place(7, 6, 1);
  const std::string song = f.Document().Text();
  const std::string marked = "\xEF\xBB\xBF" + kWorkedExampleText;
  const QString file = Write("marked.psq", marked);
  answers.Files = {file};
  EXPECT_EQ(ErrorLines([&] { c.OpenAction->trigger(); }),
            std::vector{Program(file.toStdString() + ": not a song: bad score data")});
  EXPECT_EQ(LastShown(), Message("データが不正です"));

  // The clipboard's bytes as other programs offer them, and as a decoded text.
  for (const char* format : {"text/plain", "text/plain;charset=utf-8", ""}) {
    if (*format == '\0') {
      QGuiApplication::clipboard()->setText(QChar(0xFEFF) +
                                            QString::fromStdString(kWorkedExampleText));
    } else {
      auto* mime = new QMimeData;
      mime->setData(QString::fromLatin1(format), QByteArray::fromStdString(marked));
      QGuiApplication::clipboard()->setMimeData(mime);
    }
    EXPECT_EQ(ErrorLines([&] { c.LoadFromClipbrdAction->trigger(); }),
              std::vector{Program("the clipboard: not a song: bad score data")})
        << format;
    EXPECT_EQ(LastShown(), Message("file import err ")) << format;
  }
  EXPECT_EQ(ErrorLines([&] { Drop({QUrl::fromLocalFile(file)}); }),
            std::vector{Program(file.toStdString() + ": not a song: bad score data")});
  EXPECT_EQ(LastShown(), Message("file import err "));
  EXPECT_EQ(f.Song().Score, TSong{}.Score);

  // A clipboard text past the limit of a song file is refused like a file.
  answers.Files = {Write("song.psq", song)};
  c.OpenAction->trigger();
  Modify();
  Shown();
  const std::string edited = f.Document().Text();
  QGuiApplication::clipboard()->setText(QString(static_cast<qsizetype>(MaxSongFileBytes) + 1, 'x'));
  EXPECT_EQ(ErrorLines([&] { c.LoadFromClipbrdAction->trigger(); }),
            std::vector{Program(
                "cannot read the clipboard: 1048577 bytes, larger than a song can be (1 MiB)")});
  EXPECT_EQ(Shown(), (std::vector{Confirmed(), Error("クリップボードのテキストは大きすぎます")}));
  EXPECT_EQ(f.Document().Text(), edited);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(f.SongFileName(), Path("song.psq"));
}

TEST_F(Documents, EveryFailureSaysWhatAndWhyOnTheStandardError) {
  const std::string missing = Path("missing.psq").toStdString();
  answers.Files = {Path("missing.psq"), dir.path()};
  EXPECT_EQ(ErrorLines([&] { c.OpenAction->trigger(); }),
            std::vector{Program("cannot read " + missing + ": " + std::strerror(ENOENT))});
  EXPECT_EQ(
      ErrorLines([&] { c.OpenAction->trigger(); }),
      std::vector{Program("cannot read " + dir.path().toStdString() + ": not a regular file")});
  const std::string web = "https://example.org/a.psq";
  EXPECT_EQ(ErrorLines([&] { Drop({QUrl(QString::fromStdString(web))}); }),
            std::vector{Program("cannot read " + web + ": not a local file")});

  // A conversion error names the key and where the text came from.
  const QString notSong = Write("notes.txt", "TEMPO=120\nEND=$21\n");
  answers.Files = {notSong};
  EXPECT_EQ(ErrorLines([&] { c.OpenAction->trigger(); }),
            std::vector{Program(notSong.toStdString() + ": END: '$21' is not an integer")});
  QGuiApplication::clipboard()->setText(QStringLiteral("LOOP=TRUE\n"));
  EXPECT_EQ(ErrorLines([&] { c.LoadFromClipbrdAction->trigger(); }),
            std::vector{Program("the clipboard: TEMPO: '' is not an integer")});
  EXPECT_EQ(ErrorLines([&] { Drop({QUrl::fromLocalFile(notSong)}); }),
            std::vector{Program(notSong.toStdString() + ": END: '$21' is not an integer")});

  // A save that fails gives the system's reason: here the file may not grow past 16 bytes.
  answers.Files = {Path("big")};
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16;
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> lines = ErrorLines([&] {
    setrlimit(RLIMIT_FSIZE, &small);
    c.SaveAsAction->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
  });
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(lines, std::vector{Program("cannot write " + Path("big.psq").toStdString() + ": " +
                                       std::strerror(EFBIG))});
  // The message boxes keep their texts.
  const std::vector<TShown> shown = Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), Error("ファイル " + Path("big.psq") + " を作成できません"));
}

// A command that shows a new song must show it at once, not at the next pointer movement.
TEST_F(Documents, TheCommandsLeaveTheViewShowingTheSong) {
  const auto current = [&] {
    const QImage shown = c.MainImage->Picture();
    f.DrawScore(-1, -1, -1);
    return shown == c.MainImage->Picture();
  };
  // Playing draws the walking figure; a cancelled Open stops and draws the song without it.
  // Without a device the song walks on the clock.
  QTest::mouseClick(c.PlayBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.PlayPosition().PlayTick >= 4; }, 5000));
  c.OpenAction->trigger();
  EXPECT_TRUE(current()) << "a cancelled Open";

  answers.Files = {Write("song.psq", kWorkedExampleText)};
  c.OpenAction->trigger();
  EXPECT_TRUE(current()) << "Open";
  c.NewAction->trigger();
  EXPECT_TRUE(current()) << "New";
  QGuiApplication::clipboard()->setText(QString::fromStdString(kWorkedExampleText));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_TRUE(current()) << "an import";
}

// The tempo a text brings is a change like a user's: it retimes playback and marks the song.
TEST_F(Documents, AnImportedTempoRetimesAndMarksTheSong) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(kWorkedExampleText));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(c.Timer->interval(), IntervalFromTempo(300));
  QGuiApplication::clipboard()->setText(QStringLiteral("TEMPO=600\nEND=x\n"));
  c.LoadFromClipbrdAction->trigger();
  EXPECT_EQ(c.TempoBar->value(), 600);
  EXPECT_EQ(c.Timer->interval(), IntervalFromTempo(600));
  EXPECT_TRUE(f.Document().Modified());
  c.Undo1->trigger();
  EXPECT_EQ(c.Timer->interval(), IntervalFromTempo(300));
  EXPECT_FALSE(f.Document().Modified());
}

// A file name is bytes, whatever the locale makes of them: a name that is not UTF-8 opens
// from the command line, from the dialog (which shows it decoded) and from a drop (whose URL
// carries the bytes), and Save writes back to the same file.
TEST_F(Documents, ANameThatIsNotUtf8OpensAndSavesUnderItsOwnBytes) {
  const std::string name = QFile::encodeName(dir.path()).toStdString() + "/caf\xe9 \xff.psq";
  const QString shown = QFile::decodeName(QByteArray::fromStdString(name));
  {
    std::ofstream file(name, std::ios::binary);
    file << kWorkedExampleText;
  }
  const auto opened = [&](const char* how) {
    EXPECT_EQ(f.Document().FileName(), name) << how;
    EXPECT_EQ(f.SongFileName(), shown) << how;
    EXPECT_EQ(f.Song().EndColumn, 33) << how;
    EXPECT_FALSE(f.Document().Modified()) << how;
    EXPECT_EQ(Shown(), std::vector<TShown>{}) << how;
  };
  f.OpenFromCommandLine(name);
  opened("command line");

  Modify();
  Control<QAction>(f, "SaveAction").trigger();
  EXPECT_FALSE(f.Document().Modified());
  std::ifstream saved(name, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), f.Document().Text());
  const auto files = std::distance(std::filesystem::directory_iterator(dir.path().toStdString()),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 1) << "no second file under a decoded name";

  Control<QAction>(f, "NewAction").trigger();
  answers.Files = {shown};
  Control<QAction>(f, "OpenAction").trigger();
  Shown();  // the dialog
  opened("open dialog");

  Control<QAction>(f, "NewAction").trigger();
  Drop({QUrl::fromEncoded("file://" + QByteArray::fromStdString(name).toPercentEncoding("/"))});
  opened("drop");
  std::filesystem::remove(name);  // which QTemporaryDir cannot name
}

// While a song plays, a dropped song stops it before it takes its place.
TEST_F(Documents, ADroppedSongStopsPlayback) {
  const QString file = Write("dropped.psq", kWorkedExampleText);
  auto& play = Control<QToolButton>(f, "PlayBtn");
  auto& stop = Control<QToolButton>(f, "StopBtn");
  play.click();
  ASSERT_TRUE(play.isChecked());
  Drop({QUrl::fromLocalFile(file)});
  EXPECT_EQ(f.SongFileName(), file);
  EXPECT_FALSE(play.isChecked());
  EXPECT_TRUE(stop.isChecked());
  EXPECT_FALSE(Control<QTimer>(f, "Timer").isActive());
}

// The question box itself: Yes is the default button, No the other one shown; Escape and the
// close box answer neither.
TEST(QuestionBox, YesIsTheDefaultAndEscapeOrClosingPutTheQuestionAside) {
  TestApplication();
  const auto answer = [](const std::function<void(QMessageBox*)>& user) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      poll.stop();
      EXPECT_EQ(box->text(), QStringLiteral("modifided. save this? "));
      EXPECT_EQ(box->windowTitle(), QStringLiteral("確認"));
      QStringList shown;
      for (QAbstractButton* button : box->buttons())
        if (button->isVisible()) shown << button->text();
      EXPECT_EQ(shown, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
      EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("はい(&Y)"));
      user(box);
    });
    poll.start(10);
    return TPrompter().Confirm(nullptr, QStringLiteral("modifided. save this? "));
  };
  EXPECT_EQ(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }), true);
  EXPECT_EQ(answer([](QMessageBox* box) { box->button(QMessageBox::No)->click(); }), false);
  EXPECT_EQ(answer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }), std::nullopt);
  EXPECT_EQ(answer([](QMessageBox* box) { box->close(); }), std::nullopt);
}

}  // namespace

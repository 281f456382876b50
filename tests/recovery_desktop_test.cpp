// The recovery copy as a user meets it: the real program on a virtual X server with
// openbox, edited with the mouse, killed, and started again.
#include <gtest/gtest.h>
#include <signal.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "core/SongModel.h"
#include "core/SongSettings.h"
#include "core/SongText.h"
#include "tests/support/VirtualDesktop.h"

namespace fs = std::filesystem;

namespace {

TVirtualDesktop* Desktop = nullptr;

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// xdotool's answer, or nothing when it failed.
std::optional<QString> Xdotool(const QStringList& arguments, int timeoutMs = 20000) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  if (!xdotool.waitForFinished(timeoutMs) || xdotool.exitCode() != 0) {
    xdotool.kill();
    xdotool.waitForFinished();
    return std::nullopt;
  }
  return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

class RecoveryOnTheDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Desktop || !Desktop->Missing().empty())
      GTEST_SKIP() << (Desktop ? Desktop->Missing() : "no desktop while listing");
    ASSERT_TRUE(state.isValid());
    folder = fs::path(state.path().toStdString()) / "pomviksequencer";
  }
  void TearDown() override {
    for (auto& program : programs) {
      program->kill();
      program->waitForFinished();
    }
  }

  // The program as a desktop starts it, with a state folder of the test's own and no
  // sound card.
  QProcess& Start() {
    auto& program = programs.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), state.path());
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));  // no device
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    env.remove(QStringLiteral("POMVIK_START_CHECK"));
    program->setProcessEnvironment(env);
    program->setWorkingDirectory(QStringLiteral(POMVIK_BUILD_DIR));
    program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program->start(QStringLiteral(POMVIK_PROGRAM), {});
    EXPECT_TRUE(program->waitForStarted());
    return *program;
  }
  // The visible window of `program` with the title, once openbox has put it in its place.
  static QString Window(const QProcess& program, const QString& title) {
    const std::optional<QString> found = Xdotool(
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--all"), QStringLiteral("--pid"), QString::number(program.processId()),
         QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)});
    if (!found || found->isEmpty()) return {};
    const QString window = found->split(QLatin1Char('\n')).first();
    // The program places its frame once more when openbox has framed it.
    QString before;
    for (int steady = 0, tries = 0; steady < 3 && tries < 100; ++tries) {
      const QString now = Xdotool({QStringLiteral("getwindowgeometry"), window}).value_or("");
      steady = now == before ? steady + 1 : 0;
      before = now;
      QTest::qWait(100);
    }
    return window;
  }
  static void Click(const QString& window, int x, int y) {
    ASSERT_TRUE(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                         QString::number(x), QString::number(y), QStringLiteral("click"),
                         QStringLiteral("1")}));
  }
  static void Keys(const QString& window, const QStringList& keys) {
    ASSERT_TRUE(Xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));
    for (const QString& key : keys) {
      ASSERT_TRUE(Xdotool({QStringLiteral("key"), key}));
      QTest::qWait(300);  // a menu opens before its entry is chosen
    }
  }
  // The recovery copies and what they hold.
  std::vector<std::string> Copies() const {
    std::vector<std::string> copies;
    std::error_code none;
    for (const auto& entry : fs::directory_iterator(folder, none))
      if (entry.path().extension() == ".psq") copies.push_back(Slurp(entry.path()));
    return copies;
  }
  static int Notes(const std::string& text) {
    TSong song;
    TSongSettings settings;
    if (ReadSongText(SplitSongLines(text), song, settings) != TReadResult::Done) return -1;
    int notes = 0;
    for (int column = 1; column <= ColumnCount; ++column) notes += song.NoteCount(column);
    return notes;
  }
  static bool Ended(QProcess& program) {
    return program.state() == QProcess::NotRunning || program.waitForFinished(20000);
  }

  QTemporaryDir state;
  fs::path folder;
  std::vector<std::unique_ptr<QProcess>> programs;
};

TEST_F(RecoveryOnTheDesktop, AKilledSongComesBackAtTheNextStartButNotInAWindowBesideIt) {
  QProcess& first = Start();
  const QString firstWindow = Window(first, QStringLiteral("PomvikSequencer"));
  ASSERT_FALSE(firstWindow.isEmpty()) << "the program showed no window";
  // Three notes on the staff's middle rows, below the menu bar and the tool bars.
  for (int column = 1; column <= 3; ++column) Click(firstWindow, 82 + 32 * (column - 1), 170);
  std::string kept;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const std::vector<std::string> copies = Copies();
        if (copies.size() == 1 && Notes(copies[0]) == 3) kept = copies[0];
        return !kept.empty();
      },
      10000))
      << "no copy with three notes";

  // A second window beside the first finds nothing to offer, and leaves the copy alone.
  QProcess& second = Start();
  const QString secondWindow = Window(second, QStringLiteral("PomvikSequencer"));
  ASSERT_FALSE(secondWindow.isEmpty());
  EXPECT_FALSE(
      Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--all"),
               QStringLiteral("--pid"), QString::number(second.processId()),
               QStringLiteral("--name"), QStringLiteral("^recovery$")},
              2000))
      << "the second window offered the first one's copy";
  Keys(secondWindow, {QStringLiteral("alt+f"), QStringLiteral("x")});  // quit
  ASSERT_TRUE(Ended(second));
  EXPECT_EQ(Copies(), std::vector{kept});

  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  ASSERT_TRUE(Ended(first));
  EXPECT_EQ(Copies(), std::vector{kept});

  QProcess& next = Start();
  const QString question = Window(next, QStringLiteral("recovery"));
  ASSERT_FALSE(question.isEmpty()) << "the next start did not offer the song";
  Keys(question, {QStringLiteral("Return")});  // Yes, the default
  const QString nextWindow = Window(next, QStringLiteral("PomvikSequencer"));
  ASSERT_FALSE(nextWindow.isEmpty());
  EXPECT_EQ(Copies(), std::vector{kept}) << "the restored song keeps its copy";

  QGuiApplication::clipboard()->clear();
  Keys(nextWindow, {QStringLiteral("alt+e"), QStringLiteral("c")});  // export to clipboard
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return QGuiApplication::clipboard()->text().toStdString() == kept; }, 5000))
      << QGuiApplication::clipboard()->text().toStdString();
  // Exported counts as saved: the copy goes, and quitting asks nothing.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Copies().empty(); }, 5000));
  Keys(nextWindow, {QStringLiteral("alt+f"), QStringLiteral("x")});
  ASSERT_TRUE(Ended(next));
  EXPECT_EQ(next.exitStatus(), QProcess::NormalExit);
  EXPECT_TRUE(fs::is_empty(folder)) << "a normal end leaves nothing behind";
}

// A session's end, `kill` or Ctrl+C: the edits made a moment ago are kept, though the
// copy's usual wait has not passed, and the program ends as the signal says.
TEST_F(RecoveryOnTheDesktop, AnEndingSignalKeepsTheLatestEditsForTheNextStart) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const std::string name = strsignal(signal);
    QProcess& program = Start();
    const QString window = Window(program, QStringLiteral("PomvikSequencer"));
    ASSERT_FALSE(window.isEmpty()) << name;
    for (int column = 1; column <= 3; ++column) Click(window, 82 + 32 * (column - 1), 170);
    // Time for the clicks to be taken, well inside the half second the copy waits for.
    QTest::qWait(150);
    ::kill(static_cast<pid_t>(program.processId()), signal);
    ASSERT_TRUE(program.waitForFinished(2000)) << name << ": still running";
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit) << name;
    EXPECT_EQ(program.exitCode(), signal) << name;
    const std::vector<std::string> copies = Copies();
    ASSERT_EQ(copies.size(), 1u) << name;
    EXPECT_EQ(Notes(copies[0]), 3) << name;
    if (signal != SIGHUP) fs::remove_all(folder);
  }
  // The last one is offered at the next start.
  QProcess& next = Start();
  EXPECT_FALSE(Window(next, QStringLiteral("recovery")).isEmpty());
}

}  // namespace

// The X server and the window manager start before the application connects, and stop
// after it has gone.
int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
  std::optional<TVirtualDesktop> desktop;
  if (!listing) Desktop = &desktop.emplace(1024, 768);
  qputenv("QT_QPA_PLATFORM", Desktop && Desktop->Missing().empty() ? "xcb" : "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The window's recovery copy: a song left by a crash offered back at start, and the copy
// that follows the song's unsaved changes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "app/ConsolePrompter.h"
#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/RecoveryOffer.h"
#include "core/RecoverySlot.h"
#include "tests/support/FormFixture.h"
#include "tests/support/SongTexts.h"

namespace fs = std::filesystem;

namespace {

using TShown = TRecordingPrompter::TShown;

const QString Question = QStringLiteral("保存されていない曲が残っています。復元しますか?");

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The window with a state folder of the test's own.
class RecoveryWindow : public ::testing::Test {
 protected:
  QTemporaryDir state;
  fs::path folder;
  QByteArray savedState = qgetenv("XDG_STATE_HOME");
  std::optional<TFormFixture> fx;
  TForm1* f = nullptr;

  void SetUp() override {
    ASSERT_TRUE(state.isValid());
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    folder = fs::path(state.path().toStdString()) / "pomviksequencer";
    fx.emplace();
    f = fx->Form.get();
  }
  void TearDown() override {
    fx.reset();
    if (savedState.isNull())
      qunsetenv("XDG_STATE_HOME");
    else
      qputenv("XDG_STATE_HOME", savedState);
  }

  // A copy that an instance left when it was killed.
  fs::path LeftBehind(const std::string& text) {
    TRecoverySlot slot = TRecoverySlot::Create(folder);
    slot.Write(text);
    return slot.CopyPath();
  }
  // The copies in the folder and what they hold.
  std::map<fs::path, std::string> Copies() const {
    std::map<fs::path, std::string> copies;
    std::error_code none;
    for (const auto& entry : fs::directory_iterator(folder, none))
      if (entry.path().extension() == ".psq") copies[entry.path()] = Slurp(entry.path());
    return copies;
  }
  // The writer takes its time; wait until the copies are what is expected.
  bool CopiesBecome(const std::vector<std::string>& texts) {
    const auto matches = [&] {
      std::vector<std::string> now;
      for (const auto& [path, text] : Copies()) now.push_back(text);
      return now == texts;
    };
    return QTest::qWaitFor(matches, 5000);
  }
  void Place(int sound, int row, int column) {
    SoundButton(*f, sound).click();
    QTest::mouseClick(&Control<TImage>(*f, "MainImage"), Qt::LeftButton, Qt::NoModifier,
                      QPoint(82 + 32 * (column - 1), 32 + 8 * row));
  }
};

TEST_F(RecoveryWindow, ASongLeftByACrashComesBackUntitledAndUnsavedAndKeepsItsCopy) {
  const fs::path copy = LeftBehind(kWorkedExampleText);
  fx->Answers->Recovery = {TRecoveryAnswer::Restore};
  f->StartRecovery();
  EXPECT_EQ(*fx->Shown, (std::vector<TShown>{{"recovery", QString(), Question}}));
  EXPECT_EQ(f->Document().Text(), kWorkedExampleText);
  EXPECT_EQ(Control<QSlider>(*f, "TempoBar").value(), 300);
  EXPECT_TRUE(f->Document().Untitled());
  EXPECT_TRUE(f->Document().Modified());
  EXPECT_TRUE(TRecoverySlot::ClaimOrphans(folder).empty()) << "the copy is this window's now";

  Place(1, 7, 5);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  EXPECT_TRUE(fs::exists(copy)) << "the copy goes on in the file it came from";

  QTemporaryDir songs;
  fx->Answers->Files = {songs.filePath(QStringLiteral("song"))};
  Control<QAction>(*f, "SaveAsAction").trigger();
  EXPECT_TRUE(CopiesBecome({})) << "a saved song needs no copy";
  fx.reset();
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(RecoveryWindow, UnsavedChangesAreKeptUntilSavedReplacedUndoneOrTheWindowCloses) {
  f->StartRecovery();
  EXPECT_TRUE(fx->Shown->empty()) << "nothing to offer";
  EXPECT_FALSE(fs::exists(folder)) << "nothing kept while nothing changed";

  Place(1, 9, 1);
  Place(3, 5, 2);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  Control<QSlider>(*f, "TempoBar").setValue(640);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  EXPECT_NE(Copies().begin()->second.find("TEMPO=640"), std::string::npos);

  Control<QAction>(*f, "NewAction").trigger();  // the save question answered No
  EXPECT_TRUE(CopiesBecome({}));
  Place(1, 9, 1);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  Control<QAction>(*f, "Undo1").trigger();
  EXPECT_TRUE(CopiesBecome({})) << "back at the saved song";
  Control<QAction>(*f, "Redo1").trigger();
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  Control<QAction>(*f, "SaveToClipbrdAction").trigger();
  EXPECT_TRUE(CopiesBecome({})) << "an export counts as a save";

  Place(2, 4, 4);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  fx.reset();  // a normal end
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(RecoveryWindow, ASecondWindowDoesNotTakeTheFirstOnesCopy) {
  f->StartRecovery();
  Place(1, 9, 1);
  ASSERT_TRUE(CopiesBecome({f->Document().Text()}));
  TFormFixture second;
  second.Form->StartRecovery();
  EXPECT_TRUE(second.Shown->empty());
  EXPECT_EQ(Copies().size(), 1u);
}

TEST_F(RecoveryWindow, ADiscardedCopyGoesADamagedOneIsSetAsideAndAStartWithoutAUserKeepsThem) {
  const std::string notASong = "SCORE=0Z\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n";
  const fs::path damaged = LeftBehind(notASong);
  fs::last_write_time(damaged, fs::last_write_time(damaged) - std::chrono::minutes(1));
  LeftBehind(kWorkedExampleText);
  testing::internal::CaptureStderr();
  fx->Answers->Recovery = {TRecoveryAnswer::Discard};
  f->StartRecovery();
  const std::string said = testing::internal::GetCapturedStderr();

  const fs::path aside = fs::path(damaged).replace_extension(".psq.damaged");
  const QString where = QString::fromStdString(aside.string());
  EXPECT_EQ(*fx->Shown,
            (std::vector<TShown>{
                {"recovery", QString(), Question},
                {"message", QStringLiteral("recovery_window_test"),
                 QStringLiteral("復元用のファイルが壊れています。%1 に移しました").arg(where)}}));
  EXPECT_NE(said.find(damaged.string()), std::string::npos) << said;
  EXPECT_NE(said.find("bad score data"), std::string::npos) << said;
  EXPECT_EQ(Slurp(aside), notASong);
  EXPECT_TRUE(Copies().empty());
  EXPECT_FALSE(f->Document().Modified());

  // A smoke test of an installed copy says what it found and leaves it for the user.
  const fs::path kept = LeftBehind(kWorkedExampleText);
  const auto count = std::make_shared<int>(0);
  TFormFixture check;
  check.Form->setPrompter(std::make_unique<TConsolePrompter>(count));
  testing::internal::CaptureStderr();
  check.Form->StartRecovery();
  EXPECT_NE(testing::internal::GetCapturedStderr().find(Question.toStdString()), std::string::npos);
  EXPECT_EQ(*count, 1);
  EXPECT_EQ(Slurp(kept), kWorkedExampleText);
  EXPECT_FALSE(check.Form->Document().Modified());
}

// The copy names the song's file: a restored song is saved there, without a dialog.
TEST_F(RecoveryWindow, ARestoredSongKeepsItsFileNameAndItsUnsavedMark) {
  QTemporaryDir songs;
  const std::string named = songs.filePath(QStringLiteral("named.psq")).toStdString();
  LeftBehind(RecoveryCopyText(kWorkedExampleText, named));
  fx->Answers->Recovery = {TRecoveryAnswer::Restore};
  f->StartRecovery();
  EXPECT_EQ(f->SongFileName().toStdString(), named);
  EXPECT_TRUE(f->Document().Modified());
  ASSERT_TRUE(CopiesBecome({RecoveryCopyText(kWorkedExampleText, named)}));
  fx->Shown->clear();
  Control<QAction>(*f, "SaveAction").trigger();
  EXPECT_TRUE(fx->Shown->empty()) << "no dialog for a song that has its file";
  EXPECT_EQ(Slurp(named), kWorkedExampleText);
  EXPECT_FALSE(f->Document().Modified());
  EXPECT_TRUE(CopiesBecome({}));
}

// A state folder that takes no copy: the user hears of it once, in a box that names the
// folder and the reason, and not again while it keeps failing.
TEST_F(RecoveryWindow, ACopyThatCannotBeKeptIsShownOnce) {
  fx.reset();
  fs::create_directories(folder.parent_path());
  std::ofstream(folder) << "a file where the folder should be";
  fx.emplace();
  f = fx->Form.get();
  f->StartRecovery();
  testing::internal::CaptureStderr();
  for (int column = 1; column <= 3; ++column) {
    Place(1, 9, column);
    QTest::qWait(700);  // past the writer's settling time
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !fx->Shown->empty(); }, 5000));
  QTest::qWait(200);
  const std::string said = testing::internal::GetCapturedStderr();
  const QString text = QStringLiteral("復元用のファイルを %1 に保存できません: Not a directory")
                           .arg(QString::fromStdString(folder.string()));
  EXPECT_EQ(*fx->Shown,
            (std::vector<TShown>{{"error", QStringLiteral("recovery_window_test"), text}}));
  EXPECT_EQ(said.find("cannot keep"), said.rfind("cannot keep")) << said;
}

// The real question box: Yes is the default, No discards, and Escape puts the question off.
TEST(RecoveryQuestion, ReturnRestoresNoDiscardsAndEscapeKeepsTheCopyForLater) {
  TPrompter prompter;
  const auto answer = [&](const std::function<void(QMessageBox&)>& act) {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->windowTitle(), QStringLiteral("recovery"));
      EXPECT_EQ(box->text(), Question);
      act(*box);
    });
    return prompter.AskRecovery(nullptr, Question);
  };
  EXPECT_EQ(answer([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
            TRecoveryAnswer::Restore);
  EXPECT_EQ(answer([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
            TRecoveryAnswer::Later);
  EXPECT_EQ(answer([](QMessageBox& box) { box.close(); }), TRecoveryAnswer::Later);
  EXPECT_EQ(answer([](QMessageBox& box) {
              int shown = 0;
              for (QAbstractButton* button : box.buttons()) shown += button->isVisible() ? 1 : 0;
              EXPECT_EQ(shown, 2) << "only Yes and No";
              box.button(QMessageBox::No)->click();
            }),
            TRecoveryAnswer::Discard);
}

}  // namespace

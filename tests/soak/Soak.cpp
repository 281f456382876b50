#include "tests/soak/Soak.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/layout/ToolBar.h"
#include "tests/soak/FormInvariants.h"
#include "tests/soak/SoakRun.h"
#include "tests/support/FormFixture.h"

namespace {
const QString SaveQuestion = QStringLiteral("modifided. save this? ");
const QRegularExpression ExpectedError(
    QStringLiteral(
        "^(ファイル .* (は開けません|は大きすぎます|を作成できません)|'.*' は整数ではありません)$"),
    QRegularExpression::DotMatchesEverythingOption);
const QRegularExpression ReplaceQuestion(
    QStringLiteral("^ファイル .* は既に存在します。上書きしますか\\?$"),
    QRegularExpression::DotMatchesEverythingOption);

const QRegularExpression ColumnMessage(
    QStringLiteral("^(曲の終わりを越える [0-9]+ 列は貼り付けませんでした|"
                   "音符が譜面の外に出るため、空白を挿入できません)$"));

std::string ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

}  // namespace

TSoak::TSoak(uint64_t seed) : dice_(seed) {
  TestApplication().setPrompter(std::make_unique<TAnswers>(*this));
  QGuiApplication::setQuitOnLastWindowClosed(false);  // closing is one action among many
  form_ = std::make_unique<TForm1>(std::make_unique<TAnswers>(*this));
  controls_ = FindControls(f());
  f().show();
  (void)QTest::qWaitForWindowExposed(form_.get());
  form_->StartSound();  // whether or not the first paint has started it yet, for a replay
  savedText_ = historyStart_ = SongText();
}

std::string TSoak::SongText() {
  return BuildSongText(f().Song(), {Control<QSlider>(f(), "TempoBar").value(),
                                    Control<TToolButton>(f(), "LoopBtn").isChecked(),
                                    Control<TToolButton>(f(), "TimeBtn44").isChecked()});
}

TSoak::~TSoak() { TestApplication().setPrompter(std::make_unique<TPrompter>()); }

std::optional<QString> TSoak::TAnswers::ChooseFile(QFileDialog* dialog, const QString& proposed) {
  return soak_.ChooseFile(dialog->objectName(), proposed);
}

void TSoak::Reported(const QString& text) {
  if (!ExpectedError.match(text).hasMatch())
    Fail("an unexpected error reached the general error report: " + text.toStdString());
  if (text.endsWith(QStringLiteral("を作成できません"))) saveFailed_ = true;
  ++counts_["(errors reported)"];
  TicksDuringDialog();
}

void TSoak::Shown(const QString& text) {
  if (text != QStringLiteral("データが不正です") && text != QStringLiteral("file import err ") &&
      !ColumnMessage.match(text).hasMatch())
    Fail("an unexpected message: " + text.toStdString());
  ++counts_[ColumnMessage.match(text).hasMatch() ? "(column messages)" : "(bad data messages)"];
  TicksDuringDialog();
}

bool TSoak::Answer(const QString& question) {
  TicksDuringDialog();
  const bool yes = dice_.Chance(50);
  if (question == SaveQuestion) {
    if (asked_) Fail("the save question came twice");
    asked_ = true;
  } else if (!ReplaceQuestion.match(question).hasMatch()) {
    Fail("an unexpected question: " + question.toStdString());
  } else if (!yes && pendingSave_) {
    pendingSave_->Declined = true;
  }
  return yes;
}

std::optional<QString> TSoak::ChooseFile(const QString& dialog, const QString& proposed) {
  TicksDuringDialog();
  std::optional<QString> chosen;
  if (!forcedFiles_.empty()) {
    chosen = forcedFiles_.front();
    forcedFiles_.pop_front();
  } else if (dialog == QStringLiteral("OpenDialog1")) {
    if (!dice_.Chance(20)) chosen = inputs_.SomeFile(SongText(), f().SongFileName());
  } else {
    chosen = inputs_.SaveName(proposed);
  }
  if (chosen && dialog == QStringLiteral("SaveDialog1"))
    pendingSave_ = TSave{chosen->contains(".psq") ? *chosen : *chosen + ".psq", SongText()};
  return chosen;
}

// A modal box or dialog does not hold up the play timer.
void TSoak::TicksDuringDialog() {
  for (int k = dice_.Chance(20) ? dice_.Between(1, 3) : 0; k > 0 && c().Timer->isActive(); --k) {
    MixATick();
    f().TimerTimer();
  }
}

void TSoak::MixATick() {
  device_.State->PullAndHear(int64_t{IntervalFromTempo(c().TempoBar->value())} *
                             device_.State->Rate / 1000);
}

// A save the program reported no failure for must have written the song whole.
void TSoak::CheckSave() {
  if (pendingSave_ && !pendingSave_->Declined && !saveFailed_) {
    if (ReadBytes(pendingSave_->Path) != pendingSave_->Text)
      Fail("the file saved does not hold the song: " + pendingSave_->Path.toStdString());
    lastSave_ = pendingSave_;
    savedText_ = pendingSave_->Text;  // a later change in the same command may hide it
    ++counts_["(saves)"];
  }
  pendingSave_.reset();
  saveFailed_ = false;
}

// Nothing is lost: a change is marked until it is saved, and replacing a song with
// changes asks first.
void TSoak::CheckAfter(const TAction& action, bool modifiedBefore, const std::string& textBefore,
                       const QString& nameBefore) {
  CheckSave();
  const bool modified = f().Document().Modified();
  // An edit can only move the song away from the text last saved, or back to it.
  if ((action.Kind == Edit || action.Kind == History) && modified != (SongText() != savedText_))
    Fail(modified         ? "the song is marked although it is the one saved"
         : modifiedBefore ? "the unsaved changes were forgotten"
                          : "a change is not marked");
  if (!modified) savedText_ = SongText();
  if (!f().Document().CanUndo() && !f().Document().CanRedo()) {
    historyStart_ = SongText();
    changesSinceStart_ = 0;
  } else if (action.Kind != History &&
             (SongText() != textBefore || f().SongFileName() != nameBefore)) {
    ++changesSinceStart_;
  }
  if (action.Kind == Replace && asked_ != modifiedBefore)
    Fail(modifiedBefore ? "unsaved changes were replaced without asking"
                        : "the save question came without changes");
  asked_ = false;
  if (failure_.empty()) failure_ = BrokenInvariant(f());
}

std::string TSoak::Run(long count) {
  int total = 0;
  for (const TAction& a : Actions) total += a.Weight;
  std::deque<std::string> recent;
  for (long n = 0; n < count; ++n) {
    soak::Run().Current = n;
    int pick = dice_.Between(0, total - 1);
    std::size_t k = 0;
    while (pick >= Actions[k].Weight) pick -= Actions[k++].Weight;
    const TAction& action = Actions[k];
    const bool modifiedBefore = f().Document().Modified();
    const std::string textBefore = SongText();
    const QString nameBefore = f().SongFileName();
    what_.clear();
    try {
      (this->*action.Run)();
    } catch (const std::exception& e) {
      Fail(std::string("an exception escaped unreported: ") + e.what());
    } catch (...) {
      Fail("an exception escaped unreported");
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::X11ExcludeTimers);
    CheckAfter(action, modifiedBefore, textBefore, nameBefore);
    ++counts_[action.Name];
    recent.push_back("#" + std::to_string(n) + " " + action.Name +
                     (what_.empty() ? "" : " (" + what_ + ")"));
    if (recent.size() > 8) recent.pop_front();
    // A long run shows whether the memory it holds settles.
    if (count > 20000 && (n + 1) % 20000 == 0)
      std::printf("soak: %ld actions, resident memory %ld kB\n", n + 1, soak::ResidentKilobytes());
    if (!failure_.empty()) {
      soak::Run().Current = -1;
      std::string last;
      for (const std::string& r : recent) last += "\n  " + r;
      return "action " + std::to_string(n) + ": " + failure_ + "\nlast actions:" + last +
             "\nReplay: " + soak::ReplayCommand(n + 1);
    }
  }
  soak::Run().Current = -1;
  return {};
}

// Export then import gives the same song; the last file saved reads back as the song saved.
std::string TSoak::FinalChecks() {
  QTest::mouseClick(c().StopBtn, Qt::LeftButton);
  const TSong song = f().Song();
  const std::string text = SongText();
  c().Copy1->trigger();
  c().Paste1->trigger();
  if (f().Song().Score != song.Score || f().Song().ColumnNoteCount != song.ColumnNoteCount ||
      f().Song().EndColumn != song.EndColumn || SongText() != text)
    return "export then import changed the song";
  if (!lastSave_) {
    forcedFiles_.push_back(inputs_.Saved(QStringLiteral("final.psq")));
    c().SaveAs1->trigger();
    CheckSave();
  }
  if (!lastSave_) return "nothing could be saved";
  forcedFiles_.push_back(lastSave_->Path);
  c().Open1->trigger();
  if (SongText() != lastSave_->Text) return "the last file saved reads back as another song";
  return failure_;
}

std::string TSoak::Counts() const {
  std::string counts;
  for (const auto& [name, n] : counts_) counts += " " + name + "=" + std::to_string(n);
  return counts;
}

#pragma once

#include <QFileDialog>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "app/Application.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
#include "app/layout/FormControls.h"

// What a test answers, in order. With nothing left, a question is answered No, a file
// dialog is cancelled and a recovery is put off.
struct TAnswers {
  std::deque<std::optional<bool>> Confirm;  // nothing puts the question aside (Escape)
  std::deque<QString> Files;                // an empty name cancels the dialog
  std::deque<TRecoveryAnswer> Recovery;
};

// Answers message boxes and file dialogs in place of a user and remembers what was shown.
class TRecordingPrompter : public TPrompter {
 public:
  struct TShown {
    QString Kind;   // "error", "message", "confirm", "recovery" or "file"
    QString Title;  // a file dialog's object name
    QString Text;   // the name a file dialog proposed
    bool operator==(const TShown&) const = default;
    friend void PrintTo(const TShown& s, std::ostream* os) {
      *os << s.Kind.toStdString() << " [" << s.Title.toStdString() << "] " << s.Text.toStdString();
    }
  };
  explicit TRecordingPrompter(std::shared_ptr<std::vector<TShown>> log,
                              std::shared_ptr<TAnswers> answers = nullptr)
      : log_(std::move(log)),
        answers_(answers ? std::move(answers) : std::make_shared<TAnswers>()) {}
  void Error(QWidget*, const QString& title, const QString& text) override {
    log_->push_back({QStringLiteral("error"), title, text});
  }
  void Message(QWidget*, const QString& title, const QString& text) override {
    log_->push_back({QStringLiteral("message"), title, text});
  }
  std::optional<bool> Confirm(QWidget*, const QString& text) override {
    log_->push_back({QStringLiteral("confirm"), QString(), text});
    if (answers_->Confirm.empty()) return false;
    const std::optional<bool> yes = answers_->Confirm.front();
    answers_->Confirm.pop_front();
    return yes;
  }
  TRecoveryAnswer AskRecovery(QWidget*, const QString& text) override {
    log_->push_back({QStringLiteral("recovery"), QString(), text});
    if (answers_->Recovery.empty()) return TRecoveryAnswer::Later;
    const TRecoveryAnswer answer = answers_->Recovery.front();
    answers_->Recovery.pop_front();
    return answer;
  }
  std::optional<QString> ChooseFile(QFileDialog* dialog, const QString& proposed) override {
    log_->push_back({QStringLiteral("file"), dialog->objectName(), proposed});
    if (answers_->Files.empty()) return std::nullopt;
    const QString name = answers_->Files.front();
    answers_->Files.pop_front();
    if (name.isEmpty()) return std::nullopt;
    return name;
  }

 private:
  std::shared_ptr<std::vector<TShown>> log_;
  std::shared_ptr<TAnswers> answers_;
};

// The one application object of a test program.
TApplication& TestApplication();

// Takes "--scale=N" out of the arguments and makes N (1 without it) the screen's scale for
// the application about to be made, whatever the environment asked for.
void UseTestScale(int& argc, char** argv);

// A control or component of the window's layout, found by its layout name as a user's
// tools would find it: tests act through the window's controls and commands, never
// through its fields.
template <class T>
T& Control(const TForm1& f, const char* name) {
  T* found = f.findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr) throw std::logic_error(std::string("no control named ") + name);
  return *found;
}

// Every control and component of the window's layout, each found by its layout name.
TFormControls FindControls(const TForm1& f);
// The palette's button of sound n (1 to 16).
TToolButton& SoundButton(const TForm1& f, int n);
// The tool the user has chosen, as the buttons show it: the sound whose palette button is
// down, or EraserSound while the eraser is; 0 when no single tool is down.
int32_t ChosenTool(const TForm1& f);

// Changes the song as an edit would, one step of its history: a cell, keeping its column's
// count of notes, or the end of the song.
inline void SetCell(TForm1& f, int row, int column, int32_t sound) {
  f.Document().Change([&](TSong& song) {
    int32_t& cell = song.Cell(row, column);
    song.NoteCount(column) += (sound != 0 ? 1 : 0) - (cell != 0 ? 1 : 0);
    cell = sound;
  });
}
inline void SetEndColumn(TForm1& f, int32_t end) {
  f.Document().Change([&](TSong& song) { song.EndColumn = end; });
}

// A main window as the program creates it and its sound as started once it shows, with its
// message boxes recorded; on the offline device when given its mixing rate, else on no
// device at all.
struct TFormFixture {
  std::shared_ptr<std::vector<TRecordingPrompter::TShown>> Shown =
      std::make_shared<std::vector<TRecordingPrompter::TShown>>();
  std::shared_ptr<TAnswers> Answers = std::make_shared<TAnswers>();
  std::unique_ptr<TForm1> Form;

  explicit TFormFixture(int32_t offlineMixRate = 0) {
    TestApplication();
    Form = std::make_unique<TForm1>(std::make_unique<TRecordingPrompter>(Shown, Answers),
                                    offlineMixRate);
    Form->StartSound();  // as once the window has shown
  }
};

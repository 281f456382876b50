#pragma once

#include <QEvent>
#include <QPoint>
#include <QString>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Prompter.h"
#include "app/Unit1.h"
#include "app/layout/FormControls.h"
#include "tests/soak/SoakInputs.h"
#include "tests/soak/SongDamage.h"
#include "tests/support/FakeLiveOutput.h"

class QWidget;

// Random user actions on a real window, on a live sound device whose blocks the soak pulls,
// with every box and dialog answered at random; after each action the song and the controls
// must agree and no change may be lost.
class TSoak {
 public:
  explicit TSoak(uint64_t seed);
  ~TSoak();

  // The failure, or nothing when every action kept the song and the controls whole.
  std::string Run(long actions);
  std::string FinalChecks();
  std::string Counts() const;

 private:
  // Answers every box and dialog, of the window and of the general error report.
  class TAnswers : public TPrompter {
   public:
    explicit TAnswers(TSoak& soak) : soak_(soak) {}
    void Error(QWidget*, const QString&, const QString& text) override { soak_.Reported(text); }
    void Message(QWidget*, const QString&, const QString& text) override { soak_.Shown(text); }
    std::optional<bool> Confirm(QWidget*, const QString& text) override {
      return soak_.Answer(text);
    }
    std::optional<QString> ChooseFile(QFileDialog* dialog, const QString& proposed) override;

   private:
    TSoak& soak_;
  };

  enum TKind {
    Edit,      // may change the song, and must then mark it modified
    History,   // walks the history: moves the song, never adds to it
    Document,  // may save, export or clear the modified flag
    Replace,   // replaces the song: asks first exactly when it is modified
  };
  struct TAction {
    int Weight;
    const char* Name;
    TKind Kind;
    void (TSoak::*Run)();
  };
  struct TSave {
    QString Path;
    std::string Text;
    bool Declined = false;
  };

  TForm1& f() { return *form_; }
  // The window's controls, found by their layout names.
  const TFormControls& c() const { return controls_; }
  // The song as the user sees it: the grid, and the settings as the controls show them.
  std::string SongText();
  void Fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
  }
  void Note(const QString& what) { what_ = what.toStdString(); }
  // Anywhere over the view and a little beyond, often by its right edge, where a view
  // scrolled to its end shows the last column and the end of the whole song.
  QPoint AroundView();
  QPoint Within(const QWidget* w);
  void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint at);
  void ClickButton(QWidget* widget, QPoint at = {});
  void Command(QWidget* widget, QPoint at = {});
  void Reported(const QString& text);
  void Shown(const QString& text);
  bool Answer(const QString& question);
  std::optional<QString> ChooseFile(const QString& dialog, const QString& proposed);
  void TicksDuringDialog();
  // Mixes a tick's worth of the song at the tempo shown and lets the listener hear it.
  void MixATick();
  void CheckSave();
  void CheckAfter(const TAction& action, bool modifiedBefore, const std::string& textBefore,
                  const QString& nameBefore);

  // The actions.
  void Hover();
  void ClickView();
  void DragView();
  void Wheel();
  void Palette();
  void Eraser();
  void TimeSignature();
  void Loop();
  void Play();
  void PlayFromHere();
  void Stop();
  void Tick();
  void RealTicks();
  void Tempo();
  void Scroll();
  void Keys();
  void LiteMode();
  void New();
  void Open();
  void Save();
  void SaveAs();
  void Export();
  void Import();
  void Drop();
  void Resize();
  void Close();
  void DisabledButtons();
  void Undo();
  void Redo();
  void UndoToTheStart();
  void SelectColumns();
  void ColumnCommand();
  // A change of the song since `before` is one step: undo gives `before` back, redo the
  // change; sometimes walked to be checked.
  void CheckOneStep(const std::string& before);

  static const std::vector<TAction> Actions;

  soak::TDice dice_;
  TSoakInputs inputs_{dice_};
  soundtest::TManualDevice device_;
  std::unique_ptr<TForm1> form_;
  TFormControls controls_;
  Qt::MouseButtons held_;
  std::string failure_, what_;
  std::optional<TSave> pendingSave_, lastSave_;
  std::string savedText_;  // the text last saved, opened or exported
  // The song the history begins with, and how many changes (each at most one step) were
  // made since: the history holds every step while they are fewer than its limit.
  std::string historyStart_;
  long changesSinceStart_ = 0;
  std::deque<QString> forcedFiles_;  // the final checks choose their files themselves
  bool saveFailed_ = false, asked_ = false;
  std::map<std::string, long> counts_;
};

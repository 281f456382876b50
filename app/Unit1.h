#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/ScoreRenderer.h"
#include "app/layout/FormControls.h"
#include "core/SampleBank.h"
#include "core/SongModel.h"
#include "core/SongText.h"
#include "core/Transport.h"

class QDragEnterEvent;
class QDropEvent;
class TPrompter;

// SongFileName of a song that no file holds.
extern const QString UntitledSongName;

// The main window: it owns every control and component of its layout (reachable under
// their layout names through TFormControls), the song and the sample bank. Its handlers
// are short and call the core, which does the work.
class TForm1 : public QMainWindow, public TFormControls {
  Q_OBJECT

 public:
  // offlineMixRate 0 plays on the default sound device; any other value puts the window on
  // the offline device mixing at that rate (tests listen to it there).
  explicit TForm1(std::unique_ptr<TPrompter> prompter = nullptr, int32_t offlineMixRate = 0,
                  QWidget* parent = nullptr);
  ~TForm1() override;

  // The song and the editor's state.
  std::array<TToolButton*, PaletteButtonCount + 1> SoundButtons{};
  TWaveBank WaveBank;
  bool Playing = false;
  TPlayPosition Position;  // PlayColumn and PlayTick
  TSong Song;              // the grid, the column counts and EndColumn
  bool SongModified = false;
  int32_t SelectedSound = 1;
  QString SongFileName;

  // Message boxes go through this, so that tests can answer them.
  TPrompter& Prompter() { return *prompter_; }
  void setPrompter(std::unique_ptr<TPrompter> prompter);

  void DrawScore(int X, int Y, int Sound);

 public slots:
  void FormCreate();
  void FormDestroy();
  void FormResize();
  void NewActionExecute();
  void PlayBtnClick();
  void StopBtnClick();
  void LoopBtnClick();
  void TempoBarChange();
  void TimerTimer();
  void ScrollBarChange();
  void Exit1Click();

  // Note editing.
  void MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseLeave();
  void SoundBtn1Click();
  void EraserBtnClick();
  void TimeBtn34Click();
  void TimeBtn44Click();
  void UndoBtnMouseDown();
  void UndoBtnMouseUp();
  void etcBtn1Click();
  void etcBtn2Click();
  void etcBtn3Click();

  // Songs in files and on the clipboard.
  void ModifiedActionExecute();
  void OpenActionExecute();
  void SaveActionExecute();
  void SaveAsActionExecute();
  void SaveSong();
  void SaveToClipbrdActionExecute();
  void LoadFromClipbrdActionExecute();
  void FormClose();
  void WMDropFiles(const QList<QUrl>& files);

 protected:
  // Files dragged from the desktop: file URLs are taken, the first one opened.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ConnectHandlers();
  void ConnectDocumentHandlers();
  TReadResult ApplySongText(const TSongLines& lines);
  std::optional<TReadResult> ImportFromClipboard();
  void StartSongReplacement();
  void LoadWaveBank();
  TScorePictures ScorePictures() const;
  void ChooseEtcButton(TToolButton* clicked, int upImage);

  QString lastOpenName_;  // what the open dialog proposes next

  std::unique_ptr<TPrompter> prompter_;
  std::unique_ptr<TScoreRenderer> renderer_;
  QImage drawBuffer_;
  bool previewShown_ = false;  // the view's picture holds the pointer's preview
};

#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/ScoreRenderer.h"
#include "app/layout/FileDialogs.h"
#include "app/layout/FormControls.h"
#include "core/ColumnSelection.h"
#include "core/Document.h"
#include "core/PaintStroke.h"
#include "core/SampleBank.h"
#include "core/SongModel.h"
#include "core/SongText.h"
#include "core/Transport.h"
#include "core/WheelScroll.h"

class QDragEnterEvent;
class QDropEvent;
class TAfterFirstPaint;
class TPrompter;
class TRecoveryWriter;
class TSequencer;
struct TMixedTick;

// SongFileName of a song that no file holds.
extern const QString UntitledSongName;

// The main window: it owns every control and component of its layout, the document and the
// sample bank. Its controls are private: tests find them by their layout names, which are
// their object names. Its handlers are short and call the core, which does the work: every
// change of the song goes through the document, which keeps its history and its unsaved
// mark.
class TForm1 : public QMainWindow, private TFormControls {
  Q_OBJECT

 public:
  // offlineMixRate 0 plays on the default sound device; any other value puts the window on
  // the offline device mixing at that rate (tests listen to it there).
  explicit TForm1(std::unique_ptr<TPrompter> prompter = nullptr, int32_t offlineMixRate = 0,
                  QWidget* parent = nullptr);
  ~TForm1() override;

  TDocument& Document() { return *document_; }
  const TDocument& Document() const { return *document_; }
  // The grid, the column counts and EndColumn.
  const TSong& Song() const { return document_->Song(); }
  // The song's file name, or the untitled name.
  QString SongFileName() const;
  // The columns selected along the strip above the staff.
  std::optional<TColumnRange> SelectedColumns() const { return selection_.Range(); }

  // Message boxes go through this, so that tests can answer them.
  TPrompter& Prompter() { return *prompter_; }
  void setPrompter(std::unique_ptr<TPrompter> prompter);

  // `tickOnly`: nothing but the tick and the scroll changed since the last picture.
  void DrawScore(int X, int Y, int Sound, bool tickOnly = false);

  // The sound component, for the start check that names the samples it could not load.
  const TDDSD& SoundComponent() const { return *DDSD1; }

  // From Play until Stop, or until the end of the song is heard.
  bool Playing() const;
  // Where the transport stands: the column that sounds next and the tick shown last.
  const TPlayPosition& PlayPosition() const { return Position; }

  // Opens the sound device, sets its format and loads the samples, saying once when one is
  // missing. The window does it right after its first paint, or before the first input that
  // comes sooner; the start of the program without a user does it at once. Once only.
  void StartSound();

  // Offers back a song that a crash left behind, then keeps a recovery copy of the song
  // while it has unsaved changes. The program calls it once its window shows.
  void StartRecovery();
  // Writes the recovery copy now rather than after the usual wait, and returns once it is
  // on the disk; for an end that leaves the copy for the next start.
  void KeepRecoveryCopyNow();

  // Opens a song named on the command line as Open would open it when chosen in its
  // dialog, with the same messages on failure.
  void OpenFromCommandLine(const QString& name);
  // The same for a name given as the bytes it is, which the locale may not decode.
  void OpenFromCommandLine(const std::string& name);

 public slots:
  void FormCreate();
  void FormDestroy();
  void FormResize();
  void NewActionExecute();
  void PlayBtnClick();
  // Play from a column of the song rather than its first; a loop comes back to column 1.
  void PlayFrom(int32_t FirstColumn);
  void StopBtnClick();
  void LoopBtnClick();
  void TempoBarChange();
  void TimerTimer();
  void PlayStopKeyActivated();
  void PlayFromHereKeyActivated();
  void ScrollBarChange();
  void Exit1Click();

  // Note editing.
  void MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseLeave();
  void MainImageMouseWheel(Qt::KeyboardModifiers Shift, QPoint Angle, QPoint Pixels, int X, int Y);
  void SoundBtn1Click();
  void EraserBtnClick();
  void TimeBtn34Click();
  void TimeBtn44Click();
  void UndoBtnMouseDown();
  void UndoBtnMouseUp();
  void etcBtn1Click();
  void etcBtn2Click();
  void etcBtn3Click();
  void Undo1Click();
  void Redo1Click();

  // Composing: a drag paints with the tool, the right button erases, and a drag along the
  // strip above the staff selects whole columns for the edit menu's column commands.
  void MainImageMouseDrag(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageResize();
  void ClearSelectionKeyActivated();
  void CutColumns1Click();
  void CopyColumns1Click();
  void PasteColumns1Click();
  void DeleteColumns1Click();
  void InsertSpace1Click();
  void RemoveColumns1Click();

  // Songs in files and on the clipboard. The save question and the saves say whether the
  // command that asked may go on: not when a save was cancelled.
  bool ModifiedActionExecute();
  void OpenActionExecute();
  bool SaveActionExecute();
  bool SaveAsActionExecute();
  void SaveSong();
  void SaveToClipbrdActionExecute();
  void LoadFromClipbrdActionExecute();
  // The song as pomvik-render writes it, to a file the user names; whether it was written.
  bool ExportAudio1Click();
  // Whether the window may close.
  bool FormClose();
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
  void ConnectHistoryHandlers();
  void ShowHistoryState();
  void ShowSongSettings();
  void ImportSongBytes(std::string_view bytes, const std::string& origin, const std::string& name);
  void ConnectComposeHandlers();
  void ConnectColumnCommands();
  void ShowColumnCommands();
  void ShowSelection(int X, int Y);
  void EndStroke();
  void ChangeSelectedColumns(const std::function<void(TSong&, TColumnRange)>& change);
  void StopForReplacement();
  bool StartSongReplacement();
  void ShowNewSong();
  void OpenChosenFile(const std::string& name);
  void OpenSound();
  void LoadWaveBank();
  void KeepRecoveryCopy();
  // Puts the sequencer on the sound component's device, or on the clock when it has none.
  void StartSequencer();
  void ShowTick();
  // Hands the composed picture to the view: all of it, or after a tick only what moved.
  void ShowPicture(bool tickOnly);
  bool FinishTick(const TMixedTick& tick);
  TScorePictures ScorePictures() const;
  void ChooseEtcButton(TToolButton* clicked, int upImage);

  // The editor's state.
  std::array<TToolButton*, PaletteButtonCount + 1> SoundButtons{};
  TWaveBank WaveBank;
  TPlayPosition Position;  // PlayColumn and PlayTick
  int32_t SelectedSound = 1;

  TFileDialogs dialogs_{*this};
  TAfterFirstPaint* soundStart_ = nullptr;  // runs OpenSound once; a child of the window
  QString lastOpenName_;                    // what the open dialog proposes next
  TWheelScroll wheelScroll_;

  std::unique_ptr<TDocument> document_;
  // The tempo and loop the timer and the sequencer were last given.
  TSongSettingsValues timed_{0, false, true};
  QTimer* tempoRunEnd_ = nullptr;  // a run of tempo keys ends when they pause
  std::unique_ptr<TPrompter> prompter_;
  std::unique_ptr<TScoreRenderer> renderer_;
  std::unique_ptr<TRecoveryWriter> recovery_;  // none until StartRecovery
  std::unique_ptr<TSequencer> sequencer_;
  QImage drawBuffer_;
  bool previewShown_ = false;  // the view's picture holds the pointer's preview
  // Where the walking figure stands in the view's picture, when that picture holds nothing
  // else a tick may change: the next tick repaints only the figure and what scrolled.
  struct TFigureShown {
    int32_t Tick = 0;
    int ScrollPosition = 0;
    QSize Size;
    qreal Scale = 1;
  };
  std::optional<TFigureShown> figureShown_;
  std::optional<TPaintStroke> stroke_;  // the drag that paints, from press to release
  Qt::MouseButton strokeButton_ = Qt::NoButton;
  TColumnSelection selection_;
  bool selecting_ = false;  // the left button pressed on the strip is still down
  bool clipboardHoldsColumns_ = false;
};

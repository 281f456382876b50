#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

#include "app/ScoreRenderer.h"
#include "core/SongModel.h"

class QAction;
class QFileDialog;
class QMenu;
class QScrollBar;
class QSlider;
class QTimer;
class TControlBar;
class TDDSD;
class TDDSDWaveData;
class TImage;
class TImageList;
class TPrompter;
class TToolBar;
class TToolButton;
class TWinSize;

// The main window: it owns every control and component of its layout, the song and the
// sample bank, and its handlers drive the small units that do the work.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(std::unique_ptr<TPrompter> prompter = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  // Controls and components of the stored layout, each also findable by its objectName.
  TControlBar* ControlBar1 = nullptr;
  TToolBar* ToolBar1 = nullptr;
  TToolButton *NewBtn = nullptr, *OpenBtn = nullptr, *SaveBtn = nullptr, *PasteBtn = nullptr,
              *OptionBtn = nullptr;
  TToolBar* SoundsBar = nullptr;
  TImage* MainImage = nullptr;
  QScrollBar* ScrollBar = nullptr;
  TControlBar* ControlBar2 = nullptr;
  TToolBar* etcBar = nullptr;
  TToolButton *EraserBtn = nullptr, *TimeBtn34 = nullptr, *TimeBtn44 = nullptr, *etcBtn1 = nullptr,
              *etcBtn2 = nullptr, *etcBtn3 = nullptr, *UndoBtn = nullptr;
  TToolBar* PlayerBar = nullptr;
  TToolButton *PlayBtn = nullptr, *StopBtn = nullptr, *LoopBtn = nullptr;
  QSlider* TempoBar = nullptr;

  QMenu *File1 = nullptr, *Edit1 = nullptr, *Help1 = nullptr, *SaveBtnMenu = nullptr;
  QAction *New1 = nullptr, *Open1 = nullptr, *Save1 = nullptr, *SaveAs1 = nullptr, *Exit1 = nullptr,
          *Undo1 = nullptr, *Redo1 = nullptr, *Copy1 = nullptr, *Paste1 = nullptr, *Lite1 = nullptr,
          *Option1 = nullptr;

  QAction *NewAction = nullptr, *OpenAction = nullptr, *SaveAction = nullptr,
          *SaveAsAction = nullptr, *LoadFromClipbrdAction = nullptr, *ModifiedAction = nullptr,
          *SaveToClipbrdAction = nullptr;

  QFileDialog *OpenDialog1 = nullptr, *SaveDialog1 = nullptr;
  QTimer* Timer = nullptr;
  TDDSD* DDSD1 = nullptr;
  TWinSize* WinSize1 = nullptr;

  TImageList *CommonImages = nullptr, *PlayerImages = nullptr, *etcImages = nullptr,
             *SoundImages = nullptr, *PomvikImages = nullptr;
  TImage *BGImage = nullptr, *ToonImage = nullptr, *CounterImage = nullptr, *LineImage = nullptr,
         *LoopFImage = nullptr, *LoopLImage = nullptr, *LastImage = nullptr, *CLineImage = nullptr;

  // The song and the editor's state.
  std::array<TToolButton*, PaletteButtonCount + 1> SoundButtons{};
  std::array<std::unique_ptr<TDDSDWaveData>, WaveBankSize + 1> WaveBank;
  int32_t PlayColumn = 0;
  bool Playing = false;
  TRowPitch RowPitch{};
  TAltRowPitch AltRowPitch{};
  int32_t PlayTick = 0;
  TSong Song;  // the grid, the column counts and EndColumn
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
  void StopBtnClick();
  void TempoBarChange();
  void ScrollBarChange();
  void Exit1Click();

  // Note editing.
  void MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MainImageMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void SoundBtn1Click();
  void EraserBtnClick();
  void TimeBtn34Click();
  void TimeBtn44Click();
  void UndoBtnMouseDown();
  void UndoBtnMouseUp();
  void etcBtn1Click();
  void etcBtn2Click();
  void etcBtn3Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void StartSongReplacement();
  void LoadWaveBank();
  TScorePictures ScorePictures() const;
  void Audition(int wave, double ratio);
  void ChooseEtcButton(TToolButton* clicked, int offImage);

  std::unique_ptr<TPrompter> prompter_;
  std::unique_ptr<TScoreRenderer> renderer_;
  QImage drawBuffer_;
};

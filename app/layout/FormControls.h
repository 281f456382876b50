#pragma once

class QAction;
class QMenu;
class QScrollBar;
class QSlider;
class QTimer;
class TControlBar;
class TDDSD;
class TImage;
class TImageList;
class TToolBar;
class TToolButton;
class TWinSize;

// The controls and components of the main window's stored layout, under their layout
// names; each is also findable by its objectName. The layout builder fills them in, the
// window owns them (as Qt children) and wires their events to its handlers.
struct TFormControls {
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
  QAction *New1 = nullptr, *Open1 = nullptr, *Save1 = nullptr, *SaveAs1 = nullptr,
          *ExportAudio1 = nullptr, *Exit1 = nullptr, *Undo1 = nullptr, *Redo1 = nullptr,
          *Copy1 = nullptr, *Paste1 = nullptr, *Lite1 = nullptr, *Option1 = nullptr;
  QAction *CutColumns1 = nullptr, *CopyColumns1 = nullptr, *PasteColumns1 = nullptr,
          *DeleteColumns1 = nullptr, *InsertSpace1 = nullptr, *RemoveColumns1 = nullptr;

  QAction *NewAction = nullptr, *OpenAction = nullptr, *SaveAction = nullptr,
          *SaveAsAction = nullptr, *LoadFromClipbrdAction = nullptr, *ModifiedAction = nullptr,
          *SaveToClipbrdAction = nullptr;

  QTimer* Timer = nullptr;
  TDDSD* DDSD1 = nullptr;
  TWinSize* WinSize1 = nullptr;

  TImageList *CommonImages = nullptr, *PlayerImages = nullptr, *etcImages = nullptr,
             *SoundImages = nullptr, *PomvikImages = nullptr;
  TImage *BGImage = nullptr, *ToonImage = nullptr, *CounterImage = nullptr, *LineImage = nullptr,
         *LoopFImage = nullptr, *LoopLImage = nullptr, *LastImage = nullptr, *CLineImage = nullptr;
};

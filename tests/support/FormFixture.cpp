#include "tests/support/FormFixture.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <cstring>

#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"
#include "core/NoteEditing.h"
#include "sound/ddsd/ddsd.h"
#include "window/WinSize.h"

// Windows under test have no sound device unless a test registers a live output of its own;
// those that listen use the offline device or such an output.

TApplication& TestApplication() {
  return *static_cast<TApplication*>(QCoreApplication::instance());
}

void UseTestScale(int& argc, char** argv) {
  QByteArray scale = "1";
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--scale=", 8) == 0)
      scale = argv[i] + 8;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  argv[argc] = nullptr;
  qputenv("QT_SCALE_FACTOR", scale);
  for (const char* name : {"QT_SCREEN_SCALE_FACTORS", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                           "QT_ENABLE_HIGHDPI_SCALING", "QT_USE_PHYSICAL_DPI", "QT_FONT_DPI"})
    qunsetenv(name);
}

TFormControls FindControls(const TForm1& f) {
  TFormControls c;
  const auto find = [&f](auto*& control, const char* name) {
    control = &Control<std::remove_pointer_t<std::remove_reference_t<decltype(control)>>>(f, name);
  };
#define POMVIK_FIND(name) find(c.name, #name)
  POMVIK_FIND(ControlBar1), POMVIK_FIND(ToolBar1), POMVIK_FIND(NewBtn), POMVIK_FIND(OpenBtn);
  POMVIK_FIND(SaveBtn), POMVIK_FIND(PasteBtn), POMVIK_FIND(OptionBtn), POMVIK_FIND(SoundsBar);
  POMVIK_FIND(MainImage), POMVIK_FIND(ScrollBar), POMVIK_FIND(ControlBar2), POMVIK_FIND(etcBar);
  POMVIK_FIND(EraserBtn), POMVIK_FIND(TimeBtn34), POMVIK_FIND(TimeBtn44), POMVIK_FIND(etcBtn1);
  POMVIK_FIND(etcBtn2), POMVIK_FIND(etcBtn3), POMVIK_FIND(UndoBtn), POMVIK_FIND(PlayerBar);
  POMVIK_FIND(PlayBtn), POMVIK_FIND(StopBtn), POMVIK_FIND(LoopBtn), POMVIK_FIND(TempoBar);
  POMVIK_FIND(File1), POMVIK_FIND(Edit1), POMVIK_FIND(Help1), POMVIK_FIND(SaveBtnMenu);
  POMVIK_FIND(New1), POMVIK_FIND(Open1), POMVIK_FIND(Save1), POMVIK_FIND(SaveAs1);
  POMVIK_FIND(ExportAudio1), POMVIK_FIND(Exit1), POMVIK_FIND(Undo1), POMVIK_FIND(Redo1);
  POMVIK_FIND(Copy1), POMVIK_FIND(Paste1), POMVIK_FIND(Lite1), POMVIK_FIND(Option1);
  POMVIK_FIND(NewAction), POMVIK_FIND(OpenAction), POMVIK_FIND(SaveAction);
  POMVIK_FIND(SaveAsAction), POMVIK_FIND(LoadFromClipbrdAction), POMVIK_FIND(ModifiedAction);
  POMVIK_FIND(SaveToClipbrdAction), POMVIK_FIND(Timer), POMVIK_FIND(DDSD1), POMVIK_FIND(WinSize1);
  POMVIK_FIND(CommonImages), POMVIK_FIND(PlayerImages), POMVIK_FIND(etcImages);
  POMVIK_FIND(SoundImages), POMVIK_FIND(PomvikImages), POMVIK_FIND(BGImage), POMVIK_FIND(ToonImage);
  POMVIK_FIND(CounterImage), POMVIK_FIND(LineImage), POMVIK_FIND(LoopFImage);
  POMVIK_FIND(LoopLImage), POMVIK_FIND(LastImage), POMVIK_FIND(CLineImage);
#undef POMVIK_FIND
  return c;
}

TToolButton& SoundButton(const TForm1& f, int n) {
  return Control<TToolButton>(f, QStringLiteral("SoundBtn%1").arg(n).toLatin1().constData());
}

int32_t ChosenTool(const TForm1& f) {
  int32_t tool = Control<TToolButton>(f, "EraserBtn").isChecked() ? EraserSound : 0;
  int down = tool != 0 ? 1 : 0;
  for (int n = 1; n <= PaletteButtonCount; ++n) {
    if (!SoundButton(f, n).isChecked()) continue;
    tool = n;
    ++down;
  }
  return down == 1 ? tool : 0;
}

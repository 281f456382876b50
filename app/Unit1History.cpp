// The main window's undo and redo: the edit menu's entries and the undo button.
#include <QAction>
#include <QSlider>
#include <QTimer>

#include "app/Unit1.h"
#include "app/layout/ToolBar.h"

namespace {
// Tempo keys held down or pressed in a row are one change; a pause this long ends the run.
constexpr int TempoRunPauseMs = 600;
}  // namespace

void TForm1::ConnectHistoryHandlers() {
  tempoRunEnd_ = new QTimer(this);
  tempoRunEnd_->setSingleShot(true);
  tempoRunEnd_->setInterval(TempoRunPauseMs);
  connect(tempoRunEnd_, &QTimer::timeout, this, [this] { Document().Commit(); });
  // A drag of the slider is one change, however many values it passes.
  connect(TempoBar, &QSlider::sliderReleased, this, [this] { Document().Commit(); });
  connect(Undo1, &QAction::triggered, this, &TForm1::Undo1Click);
  connect(Redo1, &QAction::triggered, this, &TForm1::Redo1Click);
  connect(UndoBtn, &QToolButton::clicked, this, &TForm1::Undo1Click);
  Document().Subscribe([this] { ShowSongSettings(); });
  Document().Subscribe([this] { ShowHistoryState(); });
}

// Enabled exactly when there is a step to take; while playing the song cannot change.
void TForm1::ShowHistoryState() {
  const bool undo = !Playing() && Document().CanUndo();
  Undo1->setEnabled(undo);
  UndoBtn->setEnabled(undo);
  Redo1->setEnabled(!Playing() && Document().CanRedo());
  ShowColumnCommands();
}

void TForm1::Undo1Click() {
  if (Playing()) return;
  Document().Undo();
  DrawScore(-1, -1, -1);
}

void TForm1::Redo1Click() {
  if (Playing()) return;
  Document().Redo();
  DrawScore(-1, -1, -1);
}

// Composing with the mouse on the score view: a press and drag paints with the tool, the
// right button erases, and a drag along the strip above the staff selects whole columns.
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolTip>

#include "app/Unit1.h"
#include "app/layout/Image.h"
#include "core/Audition.h"
#include "core/ScoreGeometry.h"

namespace {
const QString StripHint = QStringLiteral(
    "select whole columns: drag along this strip, or Shift+click to extend; "
    "the edit menu copies, cuts, pastes, inserts and removes them");
}  // namespace

void TForm1::ConnectComposeHandlers() {
  connect(MainImage, &TImage::MouseDrag, this, &TForm1::MainImageMouseDrag);
  connect(MainImage, &TImage::MouseUp, this, &TForm1::MainImageMouseUp);
  connect(MainImage, &TImage::Resized, this, &TForm1::MainImageResize);
  auto* clearKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  clearKey->setObjectName(QStringLiteral("ClearSelectionKey"));
  connect(clearKey, &QShortcut::activated, this, &TForm1::ClearSelectionKeyActivated);
  ConnectColumnCommands();
}

void TForm1::MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
  EndStroke();  // one whose release went elsewhere
  if (Button == Qt::LeftButton && OnColumnStrip(Y)) {
    const int column = StripColumn(ScrollBar->value(), X);
    if (Shift.testFlag(Qt::ShiftModifier))
      selection_.Extend(column);
    else
      selection_.Start(column);
    selecting_ = true;
    ShowSelection(X, Y);
    return;
  }
  if (Button != Qt::LeftButton && Button != Qt::RightButton) return;
  if (!OnColumnStrip(Y) && selection_.Range()) {
    selection_.Clear();
    ShowSelection(X, Y);
  }
  if (Playing()) return;
  // The right button erases whatever the tool.
  stroke_.emplace(Document(), Button == Qt::LeftButton ? SelectedSound : EraserSound);
  strokeButton_ = Button;
  for (const TAudition& heard : stroke_->MoveTo(ScrollBar->value(), X, Y))
    Audition(*DDSD1, WaveBank, heard);
}

void TForm1::MainImageMouseDrag(Qt::MouseButtons Buttons, Qt::KeyboardModifiers, int X, int Y) {
  if (selecting_ && Buttons.testFlag(Qt::LeftButton)) {
    selection_.Extend(StripColumn(ScrollBar->value(), X));
    ShowColumnCommands();
    if (Playing()) DrawScore(-1, -1, -1);  // else the move that follows draws it
  }
  if (!stroke_) return;
  if (Playing() || !Buttons.testFlag(strokeButton_)) return EndStroke();
  for (const TAudition& heard : stroke_->MoveTo(ScrollBar->value(), X, Y))
    Audition(*DDSD1, WaveBank, heard);
}

void TForm1::MainImageMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers, int, int) {
  if (Button == Qt::LeftButton) selecting_ = false;
  if (Button == strokeButton_) EndStroke();
}

void TForm1::MainImageMouseMove(Qt::KeyboardModifiers, int X, int Y) {
  const bool onStrip = OnColumnStrip(Y);
  if (onStrip != !MainImage->toolTip().isEmpty()) {
    MainImage->setToolTip(onStrip ? StripHint : QString());
    if (!onStrip) QToolTip::hideText();
  }
  if (!Playing()) DrawScore(X, Y, SelectedSound);
}

// The drag's edits become one step of the history.
void TForm1::EndStroke() {
  if (!stroke_) return;
  strokeButton_ = Qt::NoButton;
  stroke_->End();
  stroke_.reset();
}

void TForm1::ShowSelection(int X, int Y) {
  ShowColumnCommands();
  if (Playing())
    DrawScore(-1, -1, -1);
  else
    DrawScore(X, Y, SelectedSound);
}

void TForm1::ClearSelectionKeyActivated() {
  selection_.Clear();
  ShowColumnCommands();
  DrawScore(-1, -1, -1);
}

// The view takes the window's width: the scroll range shrinks so that column 97 stays the
// last one reached.
void TForm1::MainImageResize() {
  {
    const QSignalBlocker quiet(ScrollBar);  // one picture, drawn below
    ScrollBar->setMaximum(ScrollMaxFor(MainImage->width()));
  }
  DrawScore(-1, -1, -1);
}

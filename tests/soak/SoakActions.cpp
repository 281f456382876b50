// What the soak does to the window, as a user would: through the mouse, the keyboard, the
// menus, the clipboard, drops and the window frame.
#include <QAction>
#include <QCursor>
#include <QDropEvent>
#include <QEventLoop>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/ScoreGeometry.h"
#include "tests/soak/FormInvariants.h"
#include "tests/soak/Soak.h"
#include "tests/support/FormFixture.h"

const std::vector<TSoak::TAction> TSoak::Actions = {
    {170, "hover", Edit, &TSoak::Hover},
    {170, "click on the view", Edit, &TSoak::ClickView},
    {60, "drag on the view", Edit, &TSoak::DragView},
    {20, "wheel", Edit, &TSoak::Wheel},
    {90, "palette", Edit, &TSoak::Palette},
    {30, "eraser", Edit, &TSoak::Eraser},
    {20, "time signature", Edit, &TSoak::TimeSignature},
    {20, "loop", Edit, &TSoak::Loop},
    {40, "play", Edit, &TSoak::Play},
    {20, "play from here", Edit, &TSoak::PlayFromHere},
    {25, "stop", Edit, &TSoak::Stop},
    {120, "ticks", Edit, &TSoak::Tick},
    {1, "real ticks", Edit, &TSoak::RealTicks},
    {40, "tempo", Edit, &TSoak::Tempo},
    {30, "scroll", Edit, &TSoak::Scroll},
    {30, "keys", Edit, &TSoak::Keys},
    {10, "LiteMode", Edit, &TSoak::LiteMode},
    {10, "disabled buttons", Edit, &TSoak::DisabledButtons},
    {40, "undo", History, &TSoak::Undo},
    {20, "redo", History, &TSoak::Redo},
    {3, "undo to the start", History, &TSoak::UndoToTheStart},
    {40, "select columns", Edit, &TSoak::SelectColumns},
    {70, "column command", Edit, &TSoak::ColumnCommand},
    {10, "resize", Edit, &TSoak::Resize},
    {8, "new", Replace, &TSoak::New},
    {12, "open", Replace, &TSoak::Open},
    {20, "import", Replace, &TSoak::Import},
    {20, "drop", Replace, &TSoak::Drop},
    {3, "close", Replace, &TSoak::Close},
    {12, "save", Document, &TSoak::Save},
    {10, "save as", Document, &TSoak::SaveAs},
    {15, "export", Document, &TSoak::Export},
};

QPoint TSoak::AroundView() {
  const int w = Control<TImage>(f(), "MainImage").width();
  return {dice_.Chance(25) ? dice_.Between(w - 45, w + 40) : dice_.Between(-40, w + 40),
          dice_.Between(-40, 185)};
}

QPoint TSoak::Within(const QWidget* w) {
  return {dice_.Between(0, w->width() - 1), dice_.Between(0, w->height() - 1)};
}

void TSoak::Mouse(QEvent::Type type, Qt::MouseButton button, QPoint at) {
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) held_ |= button;
  if (type == QEvent::MouseButtonRelease) held_ &= ~button;
  static const std::vector<Qt::KeyboardModifiers> shifts = {Qt::NoModifier, Qt::ShiftModifier,
                                                            Qt::ControlModifier, Qt::AltModifier};
  QMouseEvent event(type, QPointF(at), QPointF(c().MainImage->mapToGlobal(at)), button, held_,
                    dice_.Pick(shifts));
  QCoreApplication::sendEvent(c().MainImage, &event);
}

void TSoak::ClickButton(QWidget* widget, QPoint at) {
  QTest::mouseClick(widget, dice_.Chance(90) ? Qt::LeftButton : Qt::RightButton, Qt::NoModifier,
                    at);
}

// A command's button, clicked so that the command runs.
void TSoak::Command(QWidget* widget, QPoint at) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

// The pointer moves as the window system reports it, to whichever widget lies beneath.
void TSoak::Hover() {
  const QPoint at = AroundView();
  QCursor::setPos(c().MainImage->mapToGlobal(at));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::X11ExcludeTimers);
  Note(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y()));
}

void TSoak::ClickView() {
  static const std::vector<Qt::MouseButton> buttons = {Qt::LeftButton, Qt::LeftButton,
                                                       Qt::RightButton, Qt::MiddleButton};
  const QPoint at = AroundView();
  const Qt::MouseButton b = dice_.Pick(buttons);
  // The right button erases whatever the tool.
  const int32_t tool = b == Qt::RightButton ? EraserSound : ChosenTool(f());
  const TSong before = f().Song();
  Mouse(QEvent::MouseButtonPress, b, at);
  Mouse(QEvent::MouseButtonRelease, b, at);
  const bool twice = dice_.Chance(20);
  if (twice) Mouse(QEvent::MouseButtonDblClick, b, at);
  if (twice) Mouse(QEvent::MouseButtonRelease, b, at);
  Note(QStringLiteral("button %1 at %2,%3%4 with tool %5")
           .arg(b)
           .arg(at.x())
           .arg(at.y())
           .arg(twice ? " twice" : "")
           .arg(tool));
  // A click edits with the tool whose button is down, whatever the window holds besides.
  const int32_t placed = tool == EraserSound ? 0 : tool;
  for (int column = 1; column <= ColumnCount; ++column)
    for (int row = 1; row <= RowCount; ++row)
      if (f().Song().Cell(row, column) != before.Cell(row, column) &&
          (tool == EndMarkerSound || f().Song().Cell(row, column) != placed))
        Fail("a click with tool " + std::to_string(tool) + " put " +
             std::to_string(f().Song().Cell(row, column)) + " in a cell");
  if (f().Song().EndColumn != before.EndColumn && tool != EndMarkerSound)
    Fail("a click with tool " + std::to_string(tool) + " moved the end");
}

// While a button holds the pointer the view gets every move and press, wherever it is.
void TSoak::DragView() {
  const std::string before = SongText();
  const Qt::MouseButton b = dice_.Chance(70) ? Qt::LeftButton : Qt::RightButton;
  Mouse(QEvent::MouseButtonPress, b, AroundView());
  QPoint at;
  for (int k = dice_.Between(1, 4); k > 0; --k) {
    at = {dice_.Between(-300, 700), dice_.Between(-200, 400)};
    Mouse(QEvent::MouseMove, Qt::NoButton, at);
  }
  const Qt::MouseButton other = b == Qt::LeftButton ? Qt::RightButton : Qt::LeftButton;
  const bool both = dice_.Chance(30);
  if (both) Mouse(QEvent::MouseButtonPress, other, at);
  if (both) Mouse(QEvent::MouseButtonRelease, other, at);
  Mouse(QEvent::MouseButtonRelease, b, at);
  Note(QStringLiteral("button %1 to %2,%3%4")
           .arg(b)
           .arg(at.x())
           .arg(at.y())
           .arg(both ? " and the other" : ""));
  if (!both) CheckOneStep(before);  // the other button's press ends the drag: two steps
}

// A wheel by notches or parts of one, on either axis, or a touchpad by its pixels; Shift
// often. Over the staff the song scrolls by as much, within the scroll bar's range.
void TSoak::Wheel() {
  QWidget* w = dice_.Pick(std::vector<QWidget*>{c().MainImage, c().ScrollBar, c().TempoBar});
  const QPoint at = Within(w);
  const bool touchpad = dice_.Chance(25);
  const int turn = touchpad           ? dice_.Between(-60, 60)
                   : dice_.Chance(70) ? dice_.Between(-3, 3) * 120
                                      : dice_.Between(-200, 200);
  const QPoint delta = dice_.Chance(30) ? QPoint(turn, 0) : QPoint(0, turn);
  // A touchpad reports an angle beside its pixels; the pixels count.
  const QPoint angle = touchpad ? delta * 3 : delta;
  const QPoint pixels = touchpad ? delta : QPoint();
  const Qt::KeyboardModifiers shift = dice_.Chance(30) ? Qt::ShiftModifier : Qt::NoModifier;
  const int before = c().ScrollBar->value();
  QWheelEvent event(at, w->mapToGlobal(at), pixels, angle, Qt::NoButton, shift, Qt::NoScrollPhase,
                    false);
  QCoreApplication::sendEvent(w, &event);
  Note(QStringLiteral("%1 %2 on %3")
           .arg(touchpad ? "pixels" : "angle")
           .arg(turn)
           .arg(w->objectName()));
  if (w != c().MainImage) return;
  // A fine wheel's parts of a pixel are kept for the next turn: at most one pixel more.
  const int moved = touchpad ? -turn : -turn * ColumnWidth / 120;
  const int wanted = std::clamp(before + moved, 0, c().ScrollBar->maximum());
  if (std::abs(c().ScrollBar->value() - wanted) > (touchpad ? 0 : 1))
    Fail("the wheel over the staff scrolled from " + std::to_string(before) + " to " +
         std::to_string(c().ScrollBar->value()) + ", not to " + std::to_string(wanted));
}

// The timer's handler called as the timer would, once or many times in a row.
void TSoak::Palette() { ClickButton(&SoundButton(f(), dice_.Between(1, PaletteButtonCount))); }
void TSoak::Eraser() { ClickButton(c().EraserBtn); }
void TSoak::TimeSignature() { ClickButton(dice_.Chance(50) ? c().TimeBtn44 : c().TimeBtn34); }
void TSoak::Loop() { ClickButton(c().LoopBtn); }
void TSoak::Play() {
  const bool wasPlaying = f().Playing();
  ClickButton(c().PlayBtn);
  if (!wasPlaying && f().Playing() && !(f().PlayPosition() == TPlayPosition{1, 1}))
    Fail("Play started at column " + std::to_string(f().PlayPosition().PlayColumn));
}

// Shift and a click on Play, or Shift+Space whatever has the focus (which stops a song that
// plays): a song starts at the first column wholly in view.
void TSoak::PlayFromHere() {
  const bool wasPlaying = f().Playing();
  const int first = FirstWhollyVisibleColumn(c().ScrollBar->value());
  const bool byKey = dice_.Chance(50);
  if (byKey) {
    QWidget* focused = dice_.Pick(std::vector<QWidget*>{c().TempoBar, c().ScrollBar, &f()});
    QTest::keyClick(focused, Qt::Key_Space, Qt::ShiftModifier);
  } else {
    QTest::mouseClick(c().PlayBtn, Qt::LeftButton, Qt::ShiftModifier);
  }
  Note(QStringLiteral("%1 from column %2").arg(byKey ? "key" : "click").arg(first));
  if (wasPlaying) {
    if (byKey && f().Playing()) Fail("Shift+Space did not stop the song");
  } else if (!f().Playing()) {
    Fail("play from here did not play");
  } else if (!(f().PlayPosition() == TPlayPosition{first, 2 * first - 1})) {
    Fail("play from here started at column " + std::to_string(f().PlayPosition().PlayColumn) +
         ", not at " + std::to_string(first));
  }
}
void TSoak::Stop() { ClickButton(c().StopBtn); }
void TSoak::LiteMode() { c().Lite1->trigger(); }
void TSoak::DisabledButtons() {
  ClickButton(dice_.Pick(
      std::vector<QWidget*>{c().UndoBtn, c().etcBtn1, c().etcBtn2, c().etcBtn3, c().OptionBtn}));
}

void TSoak::Tick() {
  const int count = dice_.Chance(85) ? 1 : dice_.Between(2, 200);
  for (int k = count; k > 0 && c().Timer->isActive() && failure_.empty(); --k) {
    MixATick();
    f().TimerTimer();
    if (const std::string broken = BrokenInvariant(f()); !broken.empty())
      Fail(broken + " after tick " + std::to_string(count - k + 1));
  }
}

// Ticks of the real timer: few, and only while playing, so that the run stays short.
void TSoak::RealTicks() {
  if (!c().Timer->isActive()) return;
  const int wanted = dice_.Chance(75) ? 1 : 2;
  for (int k = 0; k < wanted; ++k) MixATick();
  int seen = 0;
  QEventLoop loop;
  // Connected after the window's own handler, so it counts ticks already handled.
  QObject::connect(c().Timer, &QTimer::timeout, &loop, [&] {
    if (++seen == wanted || !c().Timer->isActive()) loop.quit();
  });
  QTimer::singleShot(wanted * c().Timer->interval() + 2000, &loop, &QEventLoop::quit);
  loop.exec();
  Note(QStringLiteral("%1 of %2").arg(seen).arg(wanted));
}

void TSoak::Tempo() {
  if (dice_.Chance(50)) {
    c().TempoBar->setValue(dice_.Between(0, 800));
  } else {
    QTest::mouseClick(c().TempoBar, Qt::LeftButton, {}, Within(c().TempoBar));
  }
  Note(QString::number(c().TempoBar->value()));
}

// Often to either end, where the columns at the song's edges lie under the pointer.
void TSoak::Scroll() {
  if (dice_.Chance(30)) {
    c().ScrollBar->setValue(dice_.Chance(50) ? c().ScrollBar->maximum() : 0);
  } else if (dice_.Chance(50)) {
    c().ScrollBar->setValue(dice_.Between(-100, 2900));
  } else {
    QTest::mouseClick(c().ScrollBar, Qt::LeftButton, {}, Within(c().ScrollBar));
  }
}

void TSoak::Keys() {
  static const std::vector<Qt::Key> keys = {Qt::Key_Left, Qt::Key_Right,  Qt::Key_Up,
                                            Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                                            Qt::Key_Home, Qt::Key_End,    Qt::Key_Space};
  const Qt::Key key = dice_.Pick(keys);
  QTest::keyClick(dice_.Chance(60) ? static_cast<QWidget*>(c().TempoBar) : c().ScrollBar, key);
  Note(QStringLiteral("key %1").arg(key));
}

void TSoak::New() { dice_.Chance(50) ? Command(c().NewBtn) : c().New1->trigger(); }
void TSoak::Open() { dice_.Chance(50) ? Command(c().OpenBtn) : c().Open1->trigger(); }
void TSoak::SaveAs() {
  (dice_.Chance(50) ? c().SaveAs1 : c().SaveBtnMenu->actions().at(1))->trigger();
}
void TSoak::Export() { c().Copy1->trigger(); }

void TSoak::Save() {
  if (f().SongFileName() != UntitledSongName) {
    const QString name = f().SongFileName();
    pendingSave_ = TSave{name.contains(".psq") ? name : name + ".psq", SongText()};
  }
  if (dice_.Chance(40))
    Command(c().SaveBtn, QPoint(6, 11));  // left of its menu's arrow
  else
    (dice_.Chance(50) ? c().Save1 : c().SaveBtnMenu->actions().at(0))->trigger();
}

void TSoak::Import() {
  inputs_.FillClipboard(SongText());
  dice_.Chance(50) ? Command(c().PasteBtn) : c().Paste1->trigger();
}

void TSoak::Drop() {
  QList<QUrl> urls;
  for (int k = dice_.Between(1, 3); k > 0; --k)
    urls.append(dice_.Chance(10)
                    ? QUrl(QStringLiteral("https://example.org/a.psq"))
                    : QUrl::fromLocalFile(inputs_.SomeFile(SongText(), f().SongFileName())));
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at = Within(&f());
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&f(), &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&f(), &drop);
  Note(urls.first().toString());
}

void TSoak::Resize() {
  switch (dice_.Between(0, 9)) {
    case 0:
      f().showMinimized();
      break;
    case 1:
      f().showMaximized();
      break;
    case 2:
      f().showFullScreen();
      break;
    case 3:
      f().showNormal();
      break;
    default:
      f().resize(dice_.Between(100, 1200), dice_.Between(100, 900));
  }
}

// The program would end when the window closes; here it is shown again.
void TSoak::Close() {
  f().close();
  if (!f().isVisible()) f().show();
}

// Columns selected along the strip above the staff and the edit menu's column commands, as
// a user reaches them: drags and Shift+clicks on the strip, Escape, the keys and the menu.
// Each command must do to the song what the core's column edit does, as one step.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/ColumnClipText.h"
#include "core/ColumnSelection.h"
#include "core/ScoreGeometry.h"
#include "core/SongColumns.h"
#include "tests/soak/Soak.h"
#include "tests/support/FormFixture.h"

namespace {
bool SameSong(const TSong& a, const TSong& b) {
  return a.Score == b.Score && a.ColumnNoteCount == b.ColumnNoteCount && a.EndColumn == b.EndColumn;
}

std::optional<TColumnClip> ClipboardColumns() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  const QString type = QString::fromLatin1(ColumnClipMimeType);
  if (data == nullptr || !data->hasFormat(type)) return std::nullopt;
  return ReadColumnClipText(data->data(type).toStdString());
}

std::string Range(const std::optional<TColumnRange>& range) {
  return range ? std::to_string(range->First) + ".." + std::to_string(range->Last) : "none";
}
}  // namespace

void TSoak::SelectColumns() {
  TImage& view = Control<TImage>(f(), "MainImage");
  const int P = Control<QScrollBar>(f(), "ScrollBar").value();
  const QPoint from{dice_.Between(-30, view.width() + 30), dice_.Between(0, 36)};
  switch (dice_.Between(0, 5)) {
    case 0:
      QTest::keyClick(&f(), Qt::Key_Escape);
      if (f().SelectedColumns()) Fail("Escape left columns selected");
      Note(QStringLiteral("Escape"));
      return;
    case 1:
      Mouse(QEvent::MouseButtonPress, Qt::LeftButton, from);
      Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, from);
      Note(QStringLiteral("click at %1,%2").arg(from.x()).arg(from.y()));
      break;
    default: {
      // Mouse() sends a random shift; with Shift the first column is the earlier one.
      Mouse(QEvent::MouseButtonPress, Qt::LeftButton, from);
      QPoint to = from;
      for (int k = dice_.Between(1, 3); k > 0; --k) {
        to = {dice_.Between(-60, view.width() + 60), dice_.Between(-20, 180)};
        Mouse(QEvent::MouseMove, Qt::NoButton, to);
      }
      Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, to);
      Note(QStringLiteral("drag from %1,%2 to %3,%4 gives %5")
               .arg(from.x())
               .arg(from.y())
               .arg(to.x())
               .arg(to.y())
               .arg(QString::fromStdString(Range(f().SelectedColumns()))));
      const std::optional<TColumnRange> selected = f().SelectedColumns();
      if (!selected || !selected->Valid() || !selected->Holds(StripColumn(P, to.x())))
        Fail("the drag along the strip selected " + Range(selected));
      return;
    }
  }
  const std::optional<TColumnRange> selected = f().SelectedColumns();
  if (!selected || !selected->Valid() || !selected->Holds(StripColumn(P, from.x())))
    Fail("the click on the strip selected " + Range(selected));
}

void TSoak::ColumnCommand() {
  struct TCommand {
    const char* Entry;
    Qt::Key Key;
    Qt::KeyboardModifiers Shift;
  };
  static const std::vector<TCommand> commands = {
      {"CutColumns1", Qt::Key_X, Qt::ControlModifier},
      {"CopyColumns1", Qt::Key_C, Qt::ControlModifier},
      {"PasteColumns1", Qt::Key_V, Qt::ControlModifier},
      {"DeleteColumns1", Qt::Key_Delete, Qt::NoModifier},
      {"InsertSpace1", Qt::Key_Insert, Qt::NoModifier},
      {"RemoveColumns1", Qt::Key_Delete, Qt::ControlModifier}};
  // Most clicks on the staff let go of the selection: often choose columns first, as a
  // user does before a command, and let the song stop.
  if (dice_.Chance(60)) {
    TImage& view = Control<TImage>(f(), "MainImage");
    const QPoint from{dice_.Between(0, view.width()), 20}, to{dice_.Between(0, view.width()), 20};
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, from);
    Mouse(QEvent::MouseMove, Qt::NoButton, to);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, to);
  }
  if (dice_.Chance(50)) Control<TToolButton>(f(), "StopBtn").click();
  const TCommand& command = dice_.Pick(commands);
  QAction& entry = Control<QAction>(f(), command.Entry);
  const std::string name = command.Entry;
  const bool offered = entry.isEnabled();
  const TSong before = f().Song();
  const std::string textBefore = SongText();
  const std::optional<TColumnRange> selected = f().SelectedColumns();
  const std::optional<TColumnClip> clip = ClipboardColumns();
  const int P = Control<QScrollBar>(f(), "ScrollBar").value();
  const int W = Control<TImage>(f(), "MainImage").width();

  const bool byKey = dice_.Chance(50);
  if (byKey)
    QTest::keyClick(&f(), command.Key, command.Shift);
  else
    entry.trigger();
  Note(QStringLiteral("%1 by %2 on %3")
           .arg(command.Entry)
           .arg(byKey ? "key" : "menu")
           .arg(QString::fromStdString(Range(selected))));

  // What the core's edit does to the song before, or nothing when the command was not
  // offered (no selection, nothing to paste, the song playing).
  TSong expected = before;
  if (offered && name == "PasteColumns1" && clip)
    PasteColumns(expected, *clip, PasteColumn(selected, P, W));
  else if (offered && selected && (name == "CutColumns1" || name == "DeleteColumns1"))
    ClearColumns(expected, *selected);
  else if (offered && selected && name == "InsertSpace1")
    InsertColumns(expected, *selected);
  else if (offered && selected && name == "RemoveColumns1")
    RemoveColumns(expected, *selected);
  if (!SameSong(f().Song(), expected)) Fail(name + " did not do what the column edit does");
  if (offered && selected && (name == "CutColumns1" || name == "CopyColumns1") &&
      ClipboardColumns() != CopyColumns(before, *selected))
    Fail(name + " did not put the columns on the clipboard");
  if (SongText() == textBefore) return;
  ++counts_["(column edits)"];
  CheckOneStep(textBefore);
}

void TSoak::CheckOneStep(const std::string& before) {
  const std::string after = SongText();
  if (after == before || !dice_.Chance(40)) return;
  Control<QAction>(f(), "Undo1").trigger();
  if (SongText() != before) Fail("one undo does not take the change back");
  Control<QAction>(f(), "Redo1").trigger();
  if (SongText() != after) Fail("redo does not bring the change back");
}

// The edit menu's commands on whole columns selected along the strip above the staff, and
// the clipboard on which copied columns travel between windows.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>

#include "app/Prompter.h"
#include "app/Unit1.h"
#include "app/layout/Image.h"
#include "core/ColumnClipText.h"
#include "core/SongColumns.h"

namespace {
const QString ColumnMimeType = QString::fromLatin1(ColumnClipMimeType);
const QString PasteLeftOut = QStringLiteral("曲の終わりを越える %1 列は貼り付けませんでした");
const QString InsertRefused = QStringLiteral("音符が譜面の外に出るため、空白を挿入できません");

bool ClipboardHoldsColumns() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data != nullptr && data->hasFormat(ColumnMimeType);
}

std::optional<TColumnClip> ClipboardColumns() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasFormat(ColumnMimeType)) return std::nullopt;
  const QByteArray bytes = data->data(ColumnMimeType);
  return ReadColumnClipText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void PutColumns(const TColumnClip& clip) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  auto* data = new QMimeData;
  data->setData(ColumnMimeType, QByteArray::fromStdString(ColumnClipText(clip)));
  // A song text that "export to clipboard" left there stays for "import from clipboard".
  if (const QMimeData* before = clipboard->mimeData(); before != nullptr && before->hasText())
    data->setText(before->text());
  clipboard->setMimeData(data);
}
}  // namespace

void TForm1::ConnectColumnCommands() {
  connect(CutColumns1, &QAction::triggered, this, &TForm1::CutColumns1Click);
  connect(CopyColumns1, &QAction::triggered, this, &TForm1::CopyColumns1Click);
  connect(PasteColumns1, &QAction::triggered, this, &TForm1::PasteColumns1Click);
  connect(DeleteColumns1, &QAction::triggered, this, &TForm1::DeleteColumns1Click);
  connect(InsertSpace1, &QAction::triggered, this, &TForm1::InsertSpace1Click);
  connect(RemoveColumns1, &QAction::triggered, this, &TForm1::RemoveColumns1Click);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    clipboardHoldsColumns_ = ClipboardHoldsColumns();
    ShowColumnCommands();
  });
  clipboardHoldsColumns_ = ClipboardHoldsColumns();
  ShowColumnCommands();
}

// Commands that change the song wait, as editing does, while it plays.
void TForm1::ShowColumnCommands() {
  const bool selected = selection_.Range().has_value();
  CopyColumns1->setEnabled(selected);
  for (QAction* command : {CutColumns1, DeleteColumns1, InsertSpace1, RemoveColumns1})
    command->setEnabled(selected && !Playing());
  PasteColumns1->setEnabled(clipboardHoldsColumns_ && !Playing());
}

void TForm1::ChangeSelectedColumns(const std::function<void(TSong&, TColumnRange)>& change) {
  const std::optional<TColumnRange> range = selection_.Range();
  if (Playing() || !range) return;
  Document().Change([&](TSong& song) { change(song, *range); });
  DrawScore(-1, -1, -1);
}

void TForm1::CopyColumns1Click() {
  if (const std::optional<TColumnRange> range = selection_.Range())
    PutColumns(CopyColumns(Song(), *range));
}

void TForm1::CutColumns1Click() {
  if (Playing()) return;
  CopyColumns1Click();
  DeleteColumns1Click();
}

void TForm1::DeleteColumns1Click() {
  ChangeSelectedColumns([](TSong& song, TColumnRange range) { ClearColumns(song, range); });
}

void TForm1::RemoveColumns1Click() {
  ChangeSelectedColumns([](TSong& song, TColumnRange range) { RemoveColumns(song, range); });
}

void TForm1::InsertSpace1Click() {
  bool refused = false;
  ChangeSelectedColumns(
      [&](TSong& song, TColumnRange range) { refused = !InsertColumns(song, range); });
  if (refused) Prompter().Message(this, ApplicationTitle(), InsertRefused);
}

// The pasted columns become the selection, so that they show and the next command acts on
// them.
void TForm1::PasteColumns1Click() {
  if (Playing()) return;
  const std::optional<TColumnClip> clip = ClipboardColumns();
  if (!clip) return;
  const int first = PasteColumn(selection_.Range(), ScrollBar->value(), MainImage->width());
  TPasteResult pasted;
  Document().Change([&](TSong& song) { pasted = PasteColumns(song, *clip, first); });
  if (pasted.Written > 0) selection_.Select({first, first + pasted.Written - 1});
  ShowColumnCommands();
  DrawScore(-1, -1, -1);
  if (pasted.LeftOut > 0)
    Prompter().Message(this, ApplicationTitle(), PasteLeftOut.arg(pasted.LeftOut));
}

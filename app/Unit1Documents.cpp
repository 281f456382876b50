// The main window's document commands: the save question, Open, Save and Save As, the
// clipboard and dropped files. The document does the work; these handlers ask the user and
// move bytes between files, the clipboard and the document.
#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/Application.h"
#include "app/LocalNames.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
#include "app/X11Clipboard.h"
#include "core/SongFile.h"

namespace {
const QString SaveQuestion = QStringLiteral("modifided. save this? ");
const QString ReplaceQuestion = QStringLiteral("ファイル %1 は既に存在します。上書きしますか?");
const QString BadFileData = QStringLiteral("データが不正です");
const QString BadClipboardData = QStringLiteral("file import err ");
const QString CannotCreate = QStringLiteral("ファイル %1 を作成できません");
const QString CannotOpen = QStringLiteral("ファイル %1 は開けません");
const QString ClipboardTooLarge = QStringLiteral("クリップボードのテキストは大きすぎます");
const QString SongExtension = QStringLiteral(".psq");
const QString PlainText = QStringLiteral("text/plain");
const std::array<QString, 2> PlainTexts = {QStringLiteral("text/plain;charset=utf-8"), PlainText};
const std::string FromClipboard = "the clipboard";

std::string JoinedWithCrLf(const TSongLines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}
}  // namespace

QString TForm1::SongFileName() const {
  return Document().Untitled() ? UntitledSongName : ShownName(Document().FileName());
}

// A command ends where a file or conversion error is thrown; the error goes to the general
// error report here, before it could unwind through Qt's own code.
void TForm1::ConnectDocumentHandlers() {
  const auto connectReported = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, [this, handler] {
      try {
        (this->*handler)();
      } catch (...) {
        ReportCurrentException();
      }
    });
  };
  connectReported(NewAction, &TForm1::NewActionExecute);
  connectReported(ModifiedAction, &TForm1::ModifiedActionExecute);
  connectReported(OpenAction, &TForm1::OpenActionExecute);
  connectReported(SaveAction, &TForm1::SaveActionExecute);
  connectReported(SaveAsAction, &TForm1::SaveAsActionExecute);
  connectReported(SaveToClipbrdAction, &TForm1::SaveToClipbrdActionExecute);
  connectReported(LoadFromClipbrdAction, &TForm1::LoadFromClipbrdActionExecute);
}

// Yes saves under a name chosen now, No lets the song go. A question put aside (Escape, the
// close box) or a cancelled dialog stops the command that asked; a failed save stops it by
// the exception it throws.
bool TForm1::ModifiedActionExecute() {
  if (!Document().Modified()) return true;
  const std::optional<bool> save = Prompter().Confirm(this, SaveQuestion);
  if (!save) return false;
  return !*save || SaveAsActionExecute();
}

void TForm1::OpenActionExecute() {
  if (!StartSongReplacement()) return;
  const std::optional<QString> name = Prompter().ChooseFile(dialogs_.Open(), lastOpenName_);
  if (!name) {
    DrawScore(-1, -1, -1);
    return;
  }
  lastOpenName_ = *name;
  OpenChosenFile(LocalBytes(*name));
}

void TForm1::OpenFromCommandLine(const QString& name) {
  OpenFromCommandLine(QFile::encodeName(name).toStdString());
}

void TForm1::OpenFromCommandLine(const std::string& name) {
  StartSound();  // the start's own message about missing samples comes before the song's
  try {
    if (!StartSongReplacement()) return;
    const std::string path = std::filesystem::absolute(name).lexically_normal().string();
    lastOpenName_ = ShownName(path);
    OpenChosenFile(path);
  } catch (...) {
    ReportCurrentException();
  }
}

void TForm1::OpenChosenFile(const std::string& name) {
  const std::string bytes = ReadSongFile(name);
  // After a conversion error the song keeps its name, so that a later Save cannot write
  // this song over the file that failed to load.
  if (Document().Open(bytes, name) == TReadResult::BadScoreData) {
    LogFailure(name + ": not a song: bad score data");
    Prompter().Message(this, ApplicationTitle(), BadFileData);
    ShowNewSong();
    return;
  }
  DrawScore(-1, -1, -1);
}

bool TForm1::SaveActionExecute() {
  if (Document().Untitled()) return SaveAsActionExecute();
  SaveSong();
  return true;
}

bool TForm1::SaveAsActionExecute() {
  const std::optional<QString> name = Prompter().ChooseFile(dialogs_.Save(), SongFileName());
  if (!name) return false;
  // The dialog asked about the name as typed; SaveSong may write under the completed one.
  const std::string bytes = LocalBytes(*name);
  std::error_code unknown;
  if (!name->contains(SongExtension) &&
      std::filesystem::exists(bytes + SongExtension.toStdString(), unknown) &&
      !Prompter().Confirm(this, ReplaceQuestion.arg(*name + SongExtension)).value_or(false))
    return false;
  Document().Rename(bytes);
  SaveSong();
  return true;
}

// Written beside the old file and renamed over it, so that a failed write leaves the old
// file whole; under its name's bytes, which Qt's own files could not always name.
void TForm1::SaveSong() {
  const std::string text = Document().Text();
  std::string name = Document().FileName();
  if (!ShownName(name).contains(SongExtension)) {
    name += SongExtension.toStdString();
    Document().Rename(name);
  }
  if (const int error = WriteSongFile(name, text); error != 0)
    throw EFCreateError(CannotCreate.arg(ShownName(name)).toStdString(),
                        "cannot write " + name + ": " + std::strerror(error));
  Document().Saved();
}

void TForm1::SaveToClipbrdActionExecute() {
  QGuiApplication::clipboard()->setText(QString::fromStdString(Document().Text()));
  Document().Saved();
}

// The clipboard's text is read as bytes, as a file's are: on X11 straight from its owner,
// unless that is this program, whose own bytes Qt keeps as they are.
void TForm1::LoadFromClipbrdActionExecute() {
  if (!StartSongReplacement()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  std::optional<QByteArray> offered;
  if (!clipboard->ownsClipboard()) offered = X11ClipboardText(MaxSongFileBytes);
  if (!offered) {
    const QMimeData* mime = clipboard->mimeData();
    // Asked for as plain text, another program's text comes decoded by the toolkit, which
    // drops a byte-order mark; in its own charset it comes as the bytes it was.
    const auto format = std::find_if(PlainTexts.begin(), PlainTexts.end(), [&](const QString& f) {
      return mime != nullptr && mime->hasFormat(f);
    });
    if (format == PlainTexts.end()) return;
    offered = mime->data(*format);
  }
  const QByteArray& bytes = *offered;
  if (static_cast<std::size_t>(bytes.size()) > MaxSongFileBytes)
    throw EFOpenError(ClipboardTooLarge.toStdString(),
                      "cannot read the clipboard: " + std::to_string(bytes.size()) +
                          " bytes, larger than a song can be (1 MiB)");
  ImportSongBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  FromClipboard, {});
}

// An import from the clipboard, or of a dropped file `name`.
void TForm1::ImportSongBytes(std::string_view bytes, const std::string& origin,
                             const std::string& name) {
  const TReadResult result = Document().Import(bytes, origin, name);
  if (result == TReadResult::BadScoreData) {
    LogFailure(origin + ": not a song: bad score data");
    Prompter().Message(this, ApplicationTitle(), BadClipboardData);
    ShowNewSong();
    return;
  }
  DrawScore(-1, -1, -1);
}

bool TForm1::FormClose() { return ModifiedActionExecute(); }

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> files = event->mimeData()->urls();
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  try {
    WMDropFiles(files);
  } catch (...) {
    ReportCurrentException();
  }
}

// The first file only. Its lines go to the clipboard, and the same bytes become the song.
void TForm1::WMDropFiles(const QList<QUrl>& files) {
  activateWindow();
  raise();
  if (!ModifiedActionExecute()) return;
  const QUrl& first = files.first();
  if (!first.isLocalFile())
    throw EFOpenError(
        CannotOpen.arg(first.toDisplayString()).toStdString(),
        "cannot read " + first.toDisplayString().toStdString() + ": not a local file");
  // The URL carries the name's bytes, whatever the locale makes of them.
  const std::string name = LocalBytes(first);
  const std::string text = JoinedWithCrLf(SplitSongLines(ReadSongFile(name)));
  auto* mime = new QMimeData;
  mime->setData(PlainText, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
  StopForReplacement();
  // After bad score data the new song stays untitled, so a Save cannot empty the file.
  ImportSongBytes(text, name, name);
}

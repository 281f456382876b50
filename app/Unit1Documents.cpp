// The main window's document commands: the save question, Open, Save and Save As, the
// clipboard and dropped files. The document does the work; these handlers ask the user and
// move bytes between files, the clipboard and the document.
#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/Application.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
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
const QString FromClipboard = QStringLiteral("the clipboard");

std::filesystem::path LocalPath(const QString& name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

std::string JoinedWithCrLf(const TSongLines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}
}  // namespace

QString TForm1::SongFileName() const {
  return Document().Untitled() ? UntitledSongName : QString::fromStdString(Document().FileName());
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

// Yes saves under a name chosen now. A cancelled dialog stops the command that asked; a
// failed save stops it by the exception it throws.
bool TForm1::ModifiedActionExecute() {
  if (!Document().Modified() || !Prompter().Confirm(this, SaveQuestion)) return true;
  return SaveAsActionExecute();
}

void TForm1::OpenActionExecute() {
  if (!StartSongReplacement()) return;
  const std::optional<QString> name = Prompter().ChooseFile(dialogs_.Open(), lastOpenName_);
  if (!name) {
    DrawScore(-1, -1, -1);
    return;
  }
  OpenChosenFile(*name);
}

void TForm1::OpenFromCommandLine(const QString& name) {
  try {
    if (StartSongReplacement()) OpenChosenFile(QFileInfo(name).absoluteFilePath());
  } catch (...) {
    ReportCurrentException();
  }
}

void TForm1::OpenChosenFile(const QString& name) {
  lastOpenName_ = name;
  const std::string bytes = ReadSongFile(LocalPath(name));
  // After a conversion error the song keeps its name, so that a later Save cannot write
  // this song over the file that failed to load.
  if (Document().Open(bytes, name.toStdString()) == TReadResult::BadScoreData) {
    LogFailure(name.toStdString() + ": not a song: bad score data");
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
  if (!name->contains(SongExtension) && QFileInfo::exists(*name + SongExtension) &&
      !Prompter().Confirm(this, ReplaceQuestion.arg(*name + SongExtension)))
    return false;
  Document().Rename(name->toStdString());
  SaveSong();
  return true;
}

// Written beside the old file and renamed over it, so that a failed write leaves the old
// file whole. The explicit flush matters: commit() overlooks a write that fails while its
// buffer is flushed.
void TForm1::SaveSong() {
  const std::string text = Document().Text();
  QString name = SongFileName();
  if (!name.contains(SongExtension)) {
    name += SongExtension;
    Document().Rename(name.toStdString());
  }
  QSaveFile file(name);
  const auto fail = [&](const QString& cause) {
    throw EFCreateError(CannotCreate.arg(name).toStdString(),
                        "cannot write " + name.toStdString() + ": " + cause.toStdString());
  };
  if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
  // A failed write leaves its reason in errno; Qt's own text for it is often empty.
  errno = 0;
  if (file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.flush())
    fail(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
  if (!file.commit()) fail(file.errorString());
  Document().Saved();
}

void TForm1::SaveToClipbrdActionExecute() {
  QGuiApplication::clipboard()->setText(QString::fromStdString(Document().Text()));
  Document().Saved();
}

// The clipboard's text is read as bytes, as a file's are.
void TForm1::LoadFromClipbrdActionExecute() {
  if (!StartSongReplacement()) return;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  // Asked for as plain text, another program's text comes decoded by the toolkit, which
  // drops a byte-order mark; in its own charset it comes as the bytes it was.
  const auto format = std::find_if(PlainTexts.begin(), PlainTexts.end(), [&](const QString& f) {
    return mime != nullptr && mime->hasFormat(f);
  });
  if (format == PlainTexts.end()) return;
  const QByteArray bytes = mime->data(*format);
  if (static_cast<std::size_t>(bytes.size()) > MaxSongFileBytes)
    throw EFOpenError(ClipboardTooLarge.toStdString(),
                      "cannot read the clipboard: " + std::to_string(bytes.size()) +
                          " bytes, larger than a song can be (1 MiB)");
  ImportSongBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  FromClipboard, QString());
}

// An import from the clipboard, or of a dropped file `name`.
void TForm1::ImportSongBytes(std::string_view bytes, const QString& origin, const QString& name) {
  const TReadResult result = Document().Import(bytes, origin.toStdString(), name.toStdString());
  if (result == TReadResult::BadScoreData) {
    LogFailure(origin.toStdString() + ": not a song: bad score data");
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
  const QString name = first.toLocalFile();
  const std::string text = JoinedWithCrLf(SplitSongLines(ReadSongFile(LocalPath(name))));
  auto* mime = new QMimeData;
  mime->setData(PlainText, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  QGuiApplication::clipboard()->setMimeData(mime);
  StopForReplacement();
  // After bad score data the new song stays untitled, so a Save cannot empty the file.
  ImportSongBytes(text, name, name);
}

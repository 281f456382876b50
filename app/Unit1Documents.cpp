// The main window's document commands: the save question, Open, Save and Save As, the
// clipboard and dropped files.
#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QSaveFile>
#include <filesystem>

#include "app/Application.h"
#include "app/FormSongSettings.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
#include "core/ConvertError.h"
#include "core/SongFile.h"

namespace {
const QString SaveQuestion = QStringLiteral("modifided. save this? ");
const QString ReplaceQuestion = QStringLiteral("ファイル %1 は既に存在します。上書きしますか?");
const QString BadFileData = QStringLiteral("データが不正です");
const QString BadClipboardData = QStringLiteral("file import err ");
const QString CannotCreate = QStringLiteral("ファイル %1 を作成できません");
const QString CannotOpen = QStringLiteral("ファイル %1 は開けません");
const QString SongExtension = QStringLiteral(".psq");

std::filesystem::path LocalPath(const QString& name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

std::string JoinedWithCrLf(const TSongLines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}
}  // namespace

// A command ends where a file or conversion error is thrown; the error goes to the general
// error report here, before it could unwind through Qt's own code.
void TForm1::ConnectDocumentHandlers() {
  const auto connectReported = [this](QAction* action, void (TForm1::*handler)()) {
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

// A failed save ends the command that asked, by the exception it throws.
void TForm1::ModifiedActionExecute() {
  if (SongModified && Prompter().Confirm(this, SaveQuestion)) SaveAsActionExecute();
}

TReadResult TForm1::ApplySongText(const TSongLines& lines) {
  TFormSongSettings settings(*this);
  return ReadSongText(lines, Song, settings);
}

void TForm1::OpenActionExecute() {
  StartSongReplacement();
  const std::optional<QString> name = Prompter().ChooseFile(OpenDialog1, lastOpenName_);
  if (!name) {
    DrawScore(-1, -1, -1);
    return;
  }
  lastOpenName_ = *name;
  const TSongLines lines = SplitSongLines(ReadSongFile(LocalPath(*name)));
  // The name changes only once the text has been read, so that after a conversion error a
  // later Save cannot write this song over the file that failed to load.
  if (ApplySongText(lines) == TReadResult::BadScoreData) {
    Prompter().Message(this, ApplicationTitle(), BadFileData);
    SongModified = false;
    NewActionExecute();
  } else {
    SongFileName = *name;
  }
  SongModified = false;
  DrawScore(-1, -1, -1);
}

void TForm1::SaveActionExecute() {
  if (SongFileName == UntitledSongName)
    SaveAsActionExecute();
  else
    SaveSong();
}

void TForm1::SaveAsActionExecute() {
  const std::optional<QString> name = Prompter().ChooseFile(SaveDialog1, SongFileName);
  if (!name) return;
  // The dialog asked about the name as typed; SaveSong may write under the completed one.
  if (!name->contains(SongExtension) && QFileInfo::exists(*name + SongExtension) &&
      !Prompter().Confirm(this, ReplaceQuestion.arg(*name + SongExtension)))
    return;
  SongFileName = *name;
  SaveSong();
}

// Written beside the old file and renamed over it, so that a failed write leaves the old
// file whole. The explicit flush matters: commit() overlooks a write that fails while its
// buffer is flushed.
void TForm1::SaveSong() {
  const std::string text = BuildSongText(Song, TFormSongSettings::Read(*this));
  if (!SongFileName.contains(SongExtension)) SongFileName += SongExtension;
  QSaveFile file(SongFileName);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.flush() || !file.commit())
    throw EFCreateError(CannotCreate.arg(SongFileName).toStdString());
  SongModified = false;
}

void TForm1::SaveToClipbrdActionExecute() {
  const std::string text = BuildSongText(Song, TFormSongSettings::Read(*this));
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  SongModified = false;
}

void TForm1::LoadFromClipbrdActionExecute() { ImportFromClipboard(); }

// Nothing when the clipboard holds no text; otherwise how the text read.
std::optional<TReadResult> TForm1::ImportFromClipboard() {
  StartSongReplacement();
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (mime == nullptr || !mime->hasText()) return std::nullopt;
  const TSongLines lines = SplitSongLines(mime->text().toStdString());
  SongFileName = UntitledSongName;
  const TReadResult result = ApplySongText(lines);
  if (result == TReadResult::BadScoreData) {
    Prompter().Message(this, ApplicationTitle(), BadClipboardData);
    SongModified = false;
    NewActionExecute();
  }
  DrawScore(-1, -1, -1);
  SongModified = false;
  return result;
}

void TForm1::FormClose() { ModifiedActionExecute(); }

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

// The first file only; its text reaches the song through the clipboard.
void TForm1::WMDropFiles(const QList<QUrl>& files) {
  activateWindow();
  raise();
  ModifiedActionExecute();
  const bool modifiedAfterQuestion = SongModified;
  SongModified = false;  // the import below must not ask again
  const QUrl& first = files.first();
  TSongLines lines;
  try {
    if (!first.isLocalFile())
      throw EFOpenError(CannotOpen.arg(first.toDisplayString()).toStdString());
    lines = SplitSongLines(ReadSongFile(LocalPath(first.toLocalFile())));
  } catch (const EFOpenError&) {
    // Nothing was read: the song keeps its unsaved changes, and the question for them.
    SongModified = modifiedAfterQuestion;
    throw;
  }
  QGuiApplication::clipboard()->setText(QString::fromStdString(JoinedWithCrLf(lines)));
  std::optional<TReadResult> result;
  try {
    result = ImportFromClipboard();
  } catch (const EConvertError&) {
    // A text that is not a song leaves the grid as it was: keep the question for its changes.
    SongModified = SongModified || modifiedAfterQuestion;
    throw;
  }
  // After bad score data the new song stays untitled, so a Save cannot empty the file.
  if (result == TReadResult::Done) SongFileName = first.toLocalFile();
}

#include "app/layout/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace {
const QString FileFilter = QStringLiteral("pomviksequence(*.psq)");

// What "export audio" writes: the renderer's formats, each picked by its extension.
QStringList ExportFilters() {
  return {QStringLiteral("WAVE (*.wav)"),       QStringLiteral("FLAC (*.flac)"),
          QStringLiteral("Ogg Vorbis (*.ogg)"), QStringLiteral("Opus (*.opus)"),
          QStringLiteral("MP3 (*.mp3)"),        QStringLiteral("MIDI (*.mid)")};
}

QString ExtensionOfFilter(const QString& filter) {
  const qsizetype dot = filter.indexOf(QStringLiteral("*."));
  return dot < 0 ? QString() : filter.mid(dot + 2).chopped(1);
}
}  // namespace

QFileDialog* TFileDialogs::Made(const char* name) {
  auto* dialog = new QFileDialog(&owner_, QString(), startFolder_);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setSizeGripEnabled(true);
  return dialog;
}

QFileDialog* TFileDialogs::Open() {
  if (open_) return open_;
  open_ = Made("OpenDialog1");
  open_->setAcceptMode(QFileDialog::AcceptOpen);
  open_->setFileMode(QFileDialog::AnyFile);  // a typed name is accepted as it is
  open_->setNameFilter(FileFilter);
  return open_;
}

QFileDialog* TFileDialogs::Save() {
  if (save_) return save_;
  save_ = Made("SaveDialog1");
  save_->setAcceptMode(QFileDialog::AcceptSave);
  save_->setNameFilter(FileFilter);
  save_->setOption(QFileDialog::DontConfirmOverwrite, false);
  return save_;
}

QFileDialog* TFileDialogs::Export() {
  if (export_) return export_;
  export_ = Made("ExportDialog1");
  export_->setWindowTitle(QStringLiteral("export audio"));
  export_->setAcceptMode(QFileDialog::AcceptSave);
  export_->setNameFilters(ExportFilters());
  export_->setDefaultSuffix(QStringLiteral("wav"));
  // A name typed without an extension takes the chosen filter's, before the dialog asks
  // whether to replace a file of that name.
  QObject::connect(export_, &QFileDialog::filterSelected, export_,
                   [dialog = export_](const QString& filter) {
                     dialog->setDefaultSuffix(ExtensionOfFilter(filter));
                   });
  return export_;
}

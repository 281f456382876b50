// The main window's recovery copy: a song that a crash left behind is offered back at
// start, and the song's unsaved changes are kept in a copy of its own.
#include <QFile>
#include <QMetaObject>
#include <cstdio>
#include <exception>
#include <string>

#include "app/Application.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
#include "core/RecoveryOffer.h"
#include "core/RecoveryWriter.h"

namespace {
const QString RecoveryQuestion = QStringLiteral("保存されていない曲が残っています。復元しますか?");
const QString DamagedCopy = QStringLiteral("復元用のファイル %1 は壊れています");
const QString CannotKeepCopy = QStringLiteral("復元用のファイルを %1 に保存できません: %2");
const QString DamagedCopySetAside =
    QStringLiteral("復元用のファイルが壊れています。%1 に移しました");

void SayDamaged(const TDamagedCopy& damaged) {
  std::string line =
      "recovery copy " + damaged.Copy.string() + " is damaged (" + damaged.Problem + ")";
  if (!damaged.SetAside.empty()) line += "; set aside as " + damaged.SetAside.string();
  LogFailure(line);
}
}  // namespace

void TForm1::StartRecovery() {
  if (recovery_) return;
  const std::filesystem::path folder = TRecoverySlot::Folder();
  std::optional<TRecoveredSong> restored;
  try {
    // The start's own message about missing samples comes before any of these.
    restored = OfferOrphanedCopies(
        folder,
        [this] {
          StartSound();
          return Prompter().AskRecovery(this, RecoveryQuestion);
        },
        [this](const TDamagedCopy& damaged) {
          StartSound();
          SayDamaged(damaged);
          const QString text =
              damaged.SetAside.empty()
                  ? DamagedCopy.arg(QString::fromStdString(damaged.Copy.string()))
                  : DamagedCopySetAside.arg(QString::fromStdString(damaged.SetAside.string()));
          Prompter().Message(this, ApplicationTitle(), text);
        });
  } catch (const std::exception& e) {
    LogFailure(std::string("cannot look for recovery copies: ") + e.what());
  }
  std::optional<TRecoverySlot> slot;
  if (restored) slot = std::move(restored->Slot);
  // The writer's thread must not ask Qt for the program's name, nor show a box itself.
  const std::string title = ApplicationTitle().toStdString();
  const QString shownFolder = QFile::decodeName(QByteArray::fromStdString(folder.string()));
  recovery_ = std::make_unique<TRecoveryWriter>(
      folder, std::move(slot), TRecoveryWriter::DefaultSettle,
      [this, title, shownFolder](const TRecoveryWriter::TProblem& problem) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), problem.Line.c_str());
        if (!problem.First) return;
        const QString text =
            CannotKeepCopy.arg(shownFolder, QString::fromLocal8Bit(problem.Reason.c_str()));
        QMetaObject::invokeMethod(
            this, [this, text] { Prompter().Error(this, ApplicationTitle(), text); },
            Qt::QueuedConnection);
      });
  Document().Subscribe([this] { KeepRecoveryCopy(); });
  // The copy was read as a song before it was offered.
  if (restored) Document().Restore(restored->Text, "the recovery copy", restored->FileName);
  DrawScore(-1, -1, -1);
}

void TForm1::KeepRecoveryCopy() {
  if (Document().Modified())
    recovery_->Keep(RecoveryCopyText(Document().Text(), Document().FileName()));
  else
    recovery_->Drop();
}

void TForm1::KeepRecoveryCopyNow() {
  if (!recovery_) return;
  KeepRecoveryCopy();
  recovery_->Flush();
}

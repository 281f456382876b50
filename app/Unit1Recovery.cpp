// The main window's recovery copy: a song that a crash left behind is offered back at
// start, and the song's unsaved changes are kept in a copy of its own.
#include <cstdio>
#include <exception>

#include "app/Prompter.h"
#include "app/Unit1.h"
#include "core/RecoveryOffer.h"
#include "core/RecoveryWriter.h"

namespace {
const QString RecoveryQuestion = QStringLiteral("保存されていない曲が残っています。復元しますか?");
const QString DamagedCopy = QStringLiteral("復元用のファイル %1 は壊れています");
const QString DamagedCopySetAside =
    QStringLiteral("復元用のファイルが壊れています。%1 に移しました");

void SayDamaged(const TDamagedCopy& damaged) {
  std::fprintf(stderr, "PomvikSequencer: recovery copy %s is damaged (%s)", damaged.Copy.c_str(),
               damaged.Problem.c_str());
  if (!damaged.SetAside.empty())
    std::fprintf(stderr, "; set aside as %s", damaged.SetAside.c_str());
  std::fprintf(stderr, "\n");
}
}  // namespace

void TForm1::StartRecovery() {
  if (recovery_) return;
  const std::filesystem::path folder = TRecoverySlot::Folder();
  std::optional<TRecoveredSong> restored;
  try {
    restored = OfferOrphanedCopies(
        folder, [this] { return Prompter().AskRecovery(this, RecoveryQuestion); },
        [this](const TDamagedCopy& damaged) {
          SayDamaged(damaged);
          const QString text =
              damaged.SetAside.empty()
                  ? DamagedCopy.arg(QString::fromStdString(damaged.Copy.string()))
                  : DamagedCopySetAside.arg(QString::fromStdString(damaged.SetAside.string()));
          Prompter().Message(this, ApplicationTitle(), text);
        });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "PomvikSequencer: cannot look for recovery copies: %s\n", e.what());
  }
  std::optional<TRecoverySlot> slot;
  if (restored) slot = std::move(restored->Slot);
  recovery_ = std::make_unique<TRecoveryWriter>(folder, std::move(slot));
  Document().Subscribe([this] { KeepRecoveryCopy(); });
  // The copy was read as a song before it was offered.
  if (restored) Document().Restore(restored->Text, "the recovery copy");
  DrawScore(-1, -1, -1);
}

void TForm1::KeepRecoveryCopy() {
  if (Document().Modified())
    recovery_->Keep(Document().Text());
  else
    recovery_->Drop();
}

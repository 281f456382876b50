#include "tests/soak/SoakInputs.h"

#include <sys/stat.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include "app/Unit1.h"
#include "core/SongFile.h"

TSoakInputs::TSoakInputs(soak::TDice& dice) : dice_(dice) {
  QDir(root_.path()).mkpath(QStringLiteral("saved/folder.psq"));
  QDir(root_.path()).mkpath(QStringLiteral("in"));
  mkfifo(QFile::encodeName(root_.filePath(QStringLiteral("in/fifo"))).constData(), 0600);
}

QString TSoakInputs::Saved(const QString& name) const { return root_.filePath("saved/" + name); }

// A few names, so that songs are saved over one another, some of them odd.
QString TSoakInputs::SongName() {
  static const std::vector<QString> odd = {QStringLiteral("曲 の 名前"),
                                           QStringLiteral("two\nlines"), QStringLiteral("%41#?&"),
                                           QString(300, 'n')};
  if (dice_.Chance(15)) return dice_.Pick(odd);
  return QStringLiteral("song%1").arg(dice_.Between(0, 5));
}

QString TSoakInputs::Written(const std::string& bytes) {
  static const std::vector<QString> endings = {".psq", ".txt", "", ".PSQ"};
  const QString path =
      root_.filePath(QStringLiteral("in/file%1").arg(++written_) + dice_.Pick(endings));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return path;
}

QString TSoakInputs::SomeFile(const std::string& songText, const QString& songFileName) {
  switch (dice_.Between(0, 9)) {
    case 0:
    case 1:
      return Written(soak::RandomSongText(dice_));
    case 2:
    case 3:
      return Written(
          soak::Damaged(dice_.Chance(50) ? songText : soak::RandomSongText(dice_), dice_));
    case 4:
      return Saved(SongName() + ".psq");  // saved, or not yet
    case 5:
      return root_.filePath(QStringLiteral("in/missing.psq"));
    case 6:
      return Written(dice_.Chance(50) ? std::string() : soak::RandomBytes(dice_, 300));
    case 7:
      return root_.filePath(dice_.Chance(50) ? QStringLiteral("in") : QStringLiteral("in/fifo"));
    case 8:
      return songFileName == UntitledSongName ? Saved(QStringLiteral("song0")) : songFileName;
    default: {
      const QString huge = root_.filePath(QStringLiteral("in/huge.psq"));
      QFile file(huge);
      if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write(QByteArray(static_cast<qsizetype>(MaxSongFileBytes) + 1, '0'));
      return huge;
    }
  }
}

std::optional<QString> TSoakInputs::SaveName(const QString& proposed) {
  if (dice_.Chance(20)) return std::nullopt;
  switch (dice_.Between(0, 9)) {
    case 0:
      return Saved(QStringLiteral("folder"));  // completed, the name of a folder
    case 1:
      return Saved(QStringLiteral("no/such/folder/song"));
    case 2:
      if (proposed != UntitledSongName) return proposed;
      break;
    default:
      break;
  }
  static const std::vector<QString> endings = {"", ".psq", ".PSQ", ".psq.bak"};
  return Saved(SongName() + dice_.Pick(endings));
}

void TSoakInputs::FillClipboard(const std::string& songText) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  switch (dice_.Between(0, 9)) {
    case 0:
    case 1:
    case 2:
      clipboard->setText(QString::fromStdString(soak::RandomSongText(dice_)));
      break;
    case 3:
    case 4:
      clipboard->setText(QString::fromStdString(soak::Damaged(soak::RandomSongText(dice_), dice_)));
      break;
    case 5: {
      const std::string bytes = soak::Damaged(songText, dice_);
      clipboard->setText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
      break;
    }
    case 6:
      clipboard->clear();
      break;
    case 7:
      clipboard->setImage(QImage(3, 3, QImage::Format_RGB32));
      break;
    default:
      break;
  }
}

#include "app/LocalNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <utility>

namespace {
bool Exists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The one entry of `folder` that shows as `shown`, or nothing when none or several do.
std::string EntryShownAs(const std::string& folder, const QString& shown) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return {};
  std::string found;
  int matches = 0;
  while (const dirent* entry = readdir(dir.get())) {
    if (QFile::decodeName(entry->d_name) != shown) continue;
    found = entry->d_name;
    ++matches;
  }
  return matches == 1 ? found : std::string();
}
}  // namespace

QString ShownName(const std::string& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string LocalBytes(const QString& shown) {
  const std::string encoded = QFile::encodeName(shown).toStdString();
  if (encoded.empty() || Exists(encoded)) return encoded;
  std::string path = shown.startsWith(QLatin1Char('/')) ? "/" : "";
  for (const QString& part : shown.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    std::string bytes = QFile::encodeName(part).toStdString();
    if (!Exists(Join(path, bytes)))
      if (std::string entry = EntryShownAs(path.empty() ? "." : path, part); !entry.empty())
        bytes = std::move(entry);
    path = Join(path, bytes);
  }
  return path;
}

std::string LocalBytes(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

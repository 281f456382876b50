#pragma once

#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <string>

#include "tests/soak/SongDamage.h"

// What a soak offers the window to read and to write: songs valid and damaged, empty and
// binary files, missing names, folders, a file too large, names to save under, clipboard
// contents; all in a temporary folder of its own. A file is written once, under a fresh
// name, so that the soak never writes over what the program saved.
class TSoakInputs {
 public:
  explicit TSoakInputs(soak::TDice& dice);

  // A file to open or drop; the window's own song text and name serve for some of them.
  QString SomeFile(const std::string& songText, const QString& songFileName);
  // A name to save under as a user would type it, or nothing for a cancelled dialog.
  std::optional<QString> SaveName(const QString& proposed);
  // Something on the clipboard to import, or whatever the last command left there.
  void FillClipboard(const std::string& songText);
  // A name in the folder that songs are saved to.
  QString Saved(const QString& name) const;

 private:
  QString SongName();
  QString Written(const std::string& bytes);

  soak::TDice& dice_;
  QTemporaryDir root_;
  long written_ = 0;
};

#pragma once

#include <QString>
#include <optional>

#include "core/RecoveryOffer.h"

class QFileDialog;
class QWidget;

// The message boxes and file dialogs the program shows. The window asks through one of
// these so that a test can answer in place of a user.
class TPrompter {
 public:
  virtual ~TPrompter() = default;
  // An error box: error icon, one OK button.
  virtual void Error(QWidget* parent, const QString& title, const QString& text);
  // A plain box with the text and one OK button.
  virtual void Message(QWidget* parent, const QString& title, const QString& text);
  // A question with Yes (the default) and No: true for Yes, false for No, and nothing when
  // Escape or the close box put the question aside.
  virtual std::optional<bool> Confirm(QWidget* parent, const QString& text);
  // Whether to take back a song that a crash left behind: Yes (the default) restores it, No
  // discards it; Escape and closing keep it for a later start.
  virtual TRecoveryAnswer AskRecovery(QWidget* parent, const QString& text);
  // Runs a file dialog proposing `proposed` (nothing when empty): the chosen name, or none
  // when it was cancelled.
  virtual std::optional<QString> ChooseFile(QFileDialog* dialog, const QString& proposed);
};

// The application's title as message boxes show it: the program file's name without
// its extension.
QString ApplicationTitle();

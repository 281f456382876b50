#pragma once

#include <QString>
#include <memory>

#include "app/Prompter.h"

// Says on the standard error what the message boxes would show, answers every question
// with No, cancels every file dialog, and counts what it said: for a start of the program
// without a user. A song left by a crash is kept for a start with a user.
class TConsolePrompter : public TPrompter {
 public:
  explicit TConsolePrompter(std::shared_ptr<int> said) : said_(std::move(said)) {}
  void Error(QWidget* parent, const QString& title, const QString& text) override;
  void Message(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<bool> Confirm(QWidget* parent, const QString& text) override;
  TRecoveryAnswer AskRecovery(QWidget* parent, const QString& text) override;
  std::optional<QString> ChooseFile(QFileDialog* dialog, const QString& proposed) override;

 private:
  void Say(const QString& title, const QString& text);
  std::shared_ptr<int> said_;
};

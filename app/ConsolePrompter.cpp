#include "app/ConsolePrompter.h"

#include <QFileDialog>
#include <cstdio>

void TConsolePrompter::Say(const QString& title, const QString& text) {
  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
  ++*said_;
}

void TConsolePrompter::Error(QWidget*, const QString& title, const QString& text) {
  Say(title, text);
}

void TConsolePrompter::Message(QWidget*, const QString& title, const QString& text) {
  Say(title, text);
}

std::optional<bool> TConsolePrompter::Confirm(QWidget*, const QString& text) {
  Say(ApplicationTitle(), text);
  return false;
}

TRecoveryAnswer TConsolePrompter::AskRecovery(QWidget*, const QString& text) {
  Say(ApplicationTitle(), text);
  return TRecoveryAnswer::Later;
}

std::optional<QString> TConsolePrompter::ChooseFile(QFileDialog* dialog, const QString&) {
  Say(ApplicationTitle(),
      dialog->windowTitle().isEmpty() ? QStringLiteral("file dialog") : dialog->windowTitle());
  return std::nullopt;
}

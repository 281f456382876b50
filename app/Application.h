#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "app/Prompter.h"

// The application object. An exception that escapes any handler is shown in a message
// box with its text and the application's title (the general error report), and the
// program carries on.
class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows an error that escaped a handler.
  void ReportException(const QString& text);
  void setPrompter(std::unique_ptr<TPrompter> prompter) { prompter_ = std::move(prompter); }

 private:
  std::unique_ptr<TPrompter> prompter_;
};

// Shows the exception being handled in the general error report, and says on the standard
// error what failed and why. For handlers that Qt calls through code of its own that must
// not be unwound (actions, drops, closing).
void ReportCurrentException();

// One line on the standard error, after the program's name: what failed, where and why.
void LogFailure(const std::string& line);

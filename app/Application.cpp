#include "app/Application.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), prompter_(std::make_unique<TPrompter>()) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportException(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportException(QStringLiteral("unknown error"));
  }
  return false;
}

void TApplication::ReportException(const QString& text) {
  prompter_->Error(activeWindow(), ApplicationTitle(), text);
}

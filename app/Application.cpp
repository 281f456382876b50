#include "app/Application.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), prompter_(std::make_unique<TPrompter>()) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
  }
  return false;
}

void TApplication::ReportException(const QString& text) {
  prompter_->Error(activeWindow(), ApplicationTitle(), text);
}

void ReportCurrentException() {
  QString text;
  try {
    throw;
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    text = QStringLiteral("unknown error");
  }
  if (auto* app = qobject_cast<TApplication*>(QCoreApplication::instance()))
    app->ReportException(text);
}

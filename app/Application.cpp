#include "app/Application.h"

#include <cstdio>
#include <exception>

#include "core/ConvertError.h"
#include "core/SongFile.h"

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

void LogFailure(const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", qUtf8Printable(ApplicationTitle()), line.c_str());
}

void ReportCurrentException() {
  QString text;
  try {
    throw;
  } catch (const ESongFileError& e) {
    text = QString::fromUtf8(e.what());
    LogFailure(e.Detail());
  } catch (const EConvertError& e) {
    text = QString::fromUtf8(e.what());
    LogFailure(e.Detail());
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
    LogFailure(e.what());
  } catch (...) {
    text = QStringLiteral("unknown error");
    LogFailure("unknown error");
  }
  if (auto* app = qobject_cast<TApplication*>(QCoreApplication::instance()))
    app->ReportException(text);
}

#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "app/Application.h"
#include "app/Prompter.h"
#include "app/Unit1.h"

// Answers message boxes in place of a user and remembers what was shown.
class TRecordingPrompter : public TPrompter {
 public:
  struct TShown {
    QString Kind;  // "error", "message" or "confirm"
    QString Title;
    QString Text;
  };
  explicit TRecordingPrompter(std::shared_ptr<std::vector<TShown>> log) : log_(std::move(log)) {}
  void Error(QWidget*, const QString& title, const QString& text) override {
    log_->push_back({QStringLiteral("error"), title, text});
  }
  void Message(QWidget*, const QString& title, const QString& text) override {
    log_->push_back({QStringLiteral("message"), title, text});
  }
  bool Confirm(QWidget*, const QString& text) override {
    log_->push_back({QStringLiteral("confirm"), QString(), text});
    return false;
  }

 private:
  std::shared_ptr<std::vector<TShown>> log_;
};

// The one application object of a test program.
TApplication& TestApplication();

// A main window as the program creates it, with its message boxes recorded; on the offline
// device when given its mixing rate, else on no device at all.
struct TFormFixture {
  std::shared_ptr<std::vector<TRecordingPrompter::TShown>> Shown =
      std::make_shared<std::vector<TRecordingPrompter::TShown>>();
  std::unique_ptr<TForm1> Form;

  explicit TFormFixture(int32_t offlineMixRate = 0) {
    TestApplication();
    Form = std::make_unique<TForm1>(std::make_unique<TRecordingPrompter>(Shown), offlineMixRate);
  }
};

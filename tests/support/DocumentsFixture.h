#pragma once

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "tests/support/FormFixture.h"

namespace documents {

using TShown = TRecordingPrompter::TShown;

inline const QString Untitled = QStringLiteral("無題");
inline const QString SaveQuestion = QStringLiteral("modifided. save this? ");
inline const QString Title = QStringLiteral("documents_test");  // the program file's name

inline TShown Confirmed() { return {QStringLiteral("confirm"), QString(), SaveQuestion}; }
inline TShown Dialog(const char* dialog, const QString& proposed) {
  return {QStringLiteral("file"), QString::fromLatin1(dialog), proposed};
}
inline TShown Error(const QString& text) { return {QStringLiteral("error"), Title, text}; }
inline TShown Message(const char* text) {
  return {QStringLiteral("message"), Title, QString(text)};
}

// The real window with its dialogs and message boxes answered by the test, and the
// application's general error report recorded in the same log.
class Documents : public ::testing::Test {
 protected:
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  TAnswers& answers = *fx.Answers;
  QTemporaryDir dir;

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(fx.Shown));
    QGuiApplication::clipboard()->clear();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    fx.Shown->clear();
  }
  void TearDown() override { TestApplication().setPrompter(std::make_unique<TPrompter>()); }

  // What was shown since the last call.
  std::vector<TShown> Shown() { return std::exchange(*fx.Shown, {}); }
  TShown LastShown() {
    const std::vector<TShown> shown = Shown();
    return shown.empty() ? TShown{} : shown.back();
  }
  QString Path(const QString& name) const { return dir.filePath(name); }
  QString Write(const QString& name, const std::string& bytes) {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return Path(name);
  }
  static std::string Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
  }
  void Drop(const QList<QUrl>& files) {
    QMimeData mime;
    mime.setUrls(files);
    // As a drag arrives: entering makes the window the drop's target.
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &drop);
  }
  void Place(int sound, int row, int column) {
    SoundButton(f, sound).click();
    QTest::mouseClick(c.MainImage, Qt::LeftButton, Qt::NoModifier,
                      QPoint(82 + 32 * (column - 1) - c.ScrollBar->value(), 32 + 8 * row));
  }
  std::string Clipboard() const { return QGuiApplication::clipboard()->text().toStdString(); }
  std::string SongText() {
    c.SaveToClipbrdAction->trigger();
    return Clipboard();
  }
  void Modify() { (c.TimeBtn44->isChecked() ? c.TimeBtn34 : c.TimeBtn44)->click(); }
};

}  // namespace documents

#include "window/WinSize.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QWindow>
#include <memory>

namespace {
int argc = 1;
char arg0[] = "winsize_test";
char* argv[] = {arg0, nullptr};
QApplication& App() {
  // There is no display where the tests run.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

int FrameHeight(const QWidget& form) {
  const QMargins m = form.windowHandle()->frameMargins();
  return m.top() + m.bottom();
}

TEST(MinMaxInfo, OnlyNonZeroLimitsOverrideTheSystemsValues) {
  const TMinMaxInfo system{{1000, 700}, {-4, -4}, {120, 40}, {3000, 2000}};
  EXPECT_EQ(ApplySizeLimits(system, TSizeLimits{}), system);

  TSizeLimits limits;
  limits.MinTrackSizeX = 393;
  limits.MinTrackSizeY = 317;
  limits.MaxTrackSizeY = 500;
  limits.MaxPositionX = -8;  // negative values are passed on as they are
  const TMinMaxInfo answer = ApplySizeLimits(system, limits);
  EXPECT_EQ(answer.ptMinTrackSize, QPoint(393, 317));
  EXPECT_EQ(answer.ptMaxTrackSize, QPoint(3000, 500));
  EXPECT_EQ(answer.ptMaxPosition, QPoint(-8, -4));
  EXPECT_EQ(answer.ptMaxSize, QPoint(1000, 700));
}

TEST(WinSize, PropertiesReadBackWhatWasWritten) {
  App();
  QWidget form;
  TWinSize ws(&form);
  const std::vector<std::pair<void (TWinSize::*)(int), int (TWinSize::*)() const>> props = {
      {&TWinSize::setMaxSizeX, &TWinSize::MaxSizeX},
      {&TWinSize::setMaxSizeY, &TWinSize::MaxSizeY},
      {&TWinSize::setMaxPositionX, &TWinSize::MaxPositionX},
      {&TWinSize::setMaxPositionY, &TWinSize::MaxPositionY},
      {&TWinSize::setMinTrackSizeX, &TWinSize::MinTrackSizeX},
      {&TWinSize::setMinTrackSizeY, &TWinSize::MinTrackSizeY},
      {&TWinSize::setMaxTrackSizeX, &TWinSize::MaxTrackSizeX},
      {&TWinSize::setMaxTrackSizeY, &TWinSize::MaxTrackSizeY}};
  int value = 101;
  for (const auto& [set, get] : props) {
    EXPECT_EQ((ws.*get)(), 0);
    (ws.*set)(value);
    EXPECT_EQ((ws.*get)(), value);
    ++value;
  }
  // Each property holds its own value.
  value = 101;
  for (const auto& [set, get] : props) EXPECT_EQ((ws.*get)(), value++);
}

TEST(WinSize, LimitsTheFormAndZeroRestoresTheSystemValue) {
  App();
  QWidget form;
  form.setMinimumSize(50, 60);  // the form's own limits stand for the system's
  TWinSize ws(&form);
  ASSERT_EQ(ws.Window(), &form);
  form.show();
  const QMargins frame = form.windowHandle()->frameMargins();
  const int fw = frame.left() + frame.right(), fh = frame.top() + frame.bottom();

  ws.setMinTrackSizeX(393);
  ws.setMinTrackSizeY(317);
  ws.setMaxTrackSizeY(500);
  EXPECT_EQ(form.minimumSize(), QSize(393 - fw, 317 - fh));
  EXPECT_EQ(form.maximumHeight(), 500 - fh);
  EXPECT_EQ(form.maximumWidth(), QWIDGETSIZE_MAX);
  form.resize(100, 900);
  EXPECT_EQ(form.size(), QSize(393 - fw, 500 - fh));

  ws.setMinTrackSizeX(0);
  EXPECT_EQ(form.minimumWidth(), 50);
  EXPECT_EQ(form.minimumHeight(), 317 - fh);
}

TEST(WinSize, DestroyingItGivesTheFormItsOwnLimitsBack) {
  App();
  QWidget form;
  form.setMaximumSize(800, 600);
  auto ws = std::make_unique<TWinSize>(&form);
  ws->setMinTrackSizeX(393);
  ws->setMaxTrackSizeY(500);
  EXPECT_NE(form.minimumSize(), QSize(0, 0));
  ws.reset();
  EXPECT_EQ(form.minimumSize(), QSize(0, 0));
  EXPECT_EQ(form.maximumSize(), QSize(800, 600));
  form.resize(100, 700);  // no longer answered by the component
  EXPECT_EQ(form.size(), QSize(100, 600));
}

TEST(WinSize, FindsTheFormThroughItsOwnersOrHooksNothing) {
  App();
  QMainWindow form;
  QObject middle(&form);
  TWinSize owned(&middle);
  EXPECT_EQ(owned.Window(), &form);

  QObject orphan;
  TWinSize alone(&orphan);
  EXPECT_EQ(alone.Window(), nullptr);
  alone.setMinTrackSizeX(393);  // nothing to limit, nothing breaks
  EXPECT_EQ(alone.MinTrackSizeX(), 393);
}
TEST(WinSize, ClientSizesMeasureTheAreaBelowTheMenuBar) {
  App();
  QMainWindow form;
  form.menuBar()->addMenu(QStringLiteral("file"));
  form.setCentralWidget(new QWidget);
  TWinSize ws(&form);
  ws.setClientSizes(true);
  ws.setMinTrackSizeX(200);
  ws.setMinTrackSizeY(100);
  ws.setMaxTrackSizeY(300);
  form.show();
  const int menu = form.menuBar()->height();
  ASSERT_GT(menu, 0);
  form.resize(10, 10);
  EXPECT_EQ(form.centralWidget()->size(), QSize(200, 100));
  EXPECT_EQ(form.centralWidget()->y(), menu);
  form.resize(1000, 1000);
  EXPECT_EQ(form.centralWidget()->size(), QSize(1000, 300));
  EXPECT_EQ(ws.GetMinMaxInfo().ptMinTrackSize, QPoint(200, 100));

  // Back to outer sizes: the menu bar counts again.
  ws.setClientSizes(false);
  form.resize(10, 10);
  EXPECT_EQ(form.centralWidget()->height(), 100 - menu - FrameHeight(form));
}

}  // namespace

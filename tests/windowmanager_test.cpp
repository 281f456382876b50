// The window under a real window manager (openbox on a virtual X server), at the scale the
// command line gives (see UseTestScale).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <optional>

#include "app/layout/Image.h"
#include "app/layout/WindowPlace.h"
#include "tests/support/FormFixture.h"
#include "tests/support/VirtualDesktop.h"

inline void PrintTo(const QSize& size, std::ostream* out) {
  *out << size.width() << "x" << size.height();
}

namespace {

TVirtualDesktop* Desktop = nullptr;

class UnderOpenbox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Desktop || !Desktop->Missing().empty())
      GTEST_SKIP() << (Desktop ? Desktop->Missing() : "no desktop while listing");
    fx.emplace();
    f = fx->Form.get();
    f->show();
    // openbox maps and frames the window: an ordinary process, on a loaded machine it may
    // come to it only seconds later.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f->windowHandle()->frameMargins().isNull(); }, 20000))
        << "openbox drew no frame";
    // The program places the framed window once more; only then is it the test's to move.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !AwaitingFramePlacement(*f); }, 20000))
        << "the window was never placed within its frame";
    scale = f->devicePixelRatio();
  }

  QSize Client() const { return f->centralWidget()->size(); }

  // xdotool works in the X server's pixels.
  QString Device(double logical) const { return QString::number(qRound(logical * scale)); }
  void Xdotool(const QStringList& arguments) const {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
  }
  // Keys go where the keyboard's focus is: to the window only once the window manager has
  // given it back (after a dialog closes, say), which a loaded machine may take a while for.
  void Type(const QString& keys) const {
    ASSERT_TRUE(QTest::qWaitForWindowActive(f, 20000)) << "the window never got the keyboard";
    QStringList arguments = {QStringLiteral("key")};
    arguments.append(keys.split(u' '));
    Xdotool(arguments);
  }
  void AskForSize(int width, int height) const {
    Xdotool(
        {QStringLiteral("windowsize"), QString::number(f->winId()), Device(width), Device(height)});
  }
  // Drags the frame's lower right corner with the mouse by (dx, dy) logical pixels, as a
  // user sizes a window; the size must change. openbox takes the first motion past the press
  // to begin a drag and the motions after it to size the window, and when it comes to them
  // late (under load) it has merged them into one: so the pointer moves on, a pixel either
  // way, until the window follows it half way, and only then goes the rest and lets go.
  void DragCorner(int dx, int dy) const {
    const QSize before = Client();
    const QRect client = f->geometry();
    const double x = client.right() + 1, y = client.bottom() + 1 + 1.5 / scale;
    Xdotool({QStringLiteral("mousemove"), Device(x), Device(y), QStringLiteral("mousedown"),
             QStringLiteral("1")});
    for (int i = 0; i < 50 && Client() == before; ++i) {
      const QString wiggle = QString::number(qRound((x + dx / 2) * scale) + i % 2);
      Xdotool({QStringLiteral("mousemove"), wiggle, Device(y + dy / 2)});
      static_cast<void>(QTest::qWaitFor([&] { return Client() != before; }, 200));
    }
    Xdotool({QStringLiteral("mousemove"), Device(x + dx), Device(y + dy), QStringLiteral("mouseup"),
             QStringLiteral("1")});
  }

  std::optional<TFormFixture> fx;
  TForm1* f = nullptr;
  qreal scale = 1;
};

TEST_F(UnderOpenbox, TheClientAreaStartsAtItsDesignedSizeBelowTheMenuBarOnTheScreen) {
  EXPECT_EQ(Client(), QSize(385, 271));
  EXPECT_EQ(f->centralWidget()->y(), f->menuBar()->geometry().bottom() + 1);
  // openbox moves the frame where the program asked a moment later.
  const QRect area = f->screen()->availableGeometry();
  EXPECT_TRUE(QTest::qWaitFor([&] { return area.contains(f->frameGeometry()); }, 5000))
      << "frame " << f->frameGeometry().x() << "," << f->frameGeometry().y() << " "
      << f->frameGeometry().width() << "x" << f->frameGeometry().height();
}

TEST_F(UnderOpenbox, TheClientAreaCannotBeMadeSmallerNorTallerThanItsRange) {
  const QSize smallest(385, 271);
  // Each step changes the size, and waits for the size it must come to.
  const auto becomes = [&](QSize size) {
    static_cast<void>(QTest::qWaitFor([&] { return Client() == size; }, 10000));
    return Client();
  };
  // Dragged with the mouse by the frame's corner, as a user sizes it, with room to grow.
  Xdotool({QStringLiteral("windowmove"), QString::number(f->winId()), QStringLiteral("0"),
           QStringLiteral("0")});
  ASSERT_TRUE(QTest::qWaitFor([&] { return f->geometry().topLeft().isNull(); }, 5000));
  DragCorner(60, 40);
  EXPECT_EQ(becomes(smallest + QSize(60, 40)), smallest + QSize(60, 40));
  DragCorner(-300, -300);
  EXPECT_EQ(becomes(smallest), smallest);

  // Asked through the window manager, as another program or a tiling rule would.
  AskForSize(500, 400);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f->width() == 500; }, 10000)) << "openbox ignored us";
  AskForSize(40, 40);
  EXPECT_EQ(becomes(smallest), smallest);
  AskForSize(450, 2000);
  EXPECT_EQ(becomes({450, 271 + 183}), QSize(450, 271 + 183));
}

// The save question as a user meets it, in the real boxes: Yes, then the Save As dialog
// cancelled with Escape. Neither closing the window nor the quit entry may lose the song.
TEST_F(UnderOpenbox, ACancelledSaveAtTheQuestionKeepsTheWindowAndTheSong) {
  f->setPrompter(std::make_unique<TPrompter>());
  const QPoint cell = Control<TImage>(*f, "MainImage").mapToGlobal(QPoint(82 + 32, 32 + 8 * 5));
  Xdotool({QStringLiteral("mousemove"), Device(cell.x()), Device(cell.y()), QStringLiteral("click"),
           QStringLiteral("1")});
  ASSERT_TRUE(QTest::qWaitFor([&] { return f->Document().Modified(); }, 5000));
  const std::string text = f->Document().Text();

  for (const QString& command : {QStringLiteral("alt+F4"), QStringLiteral("alt+f x")}) {
    // Each box gets its key once it has the focus.
    QStringList seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (box == nullptr || QApplication::activeWindow() != box) return;
      const QString kind = QString::fromLatin1(box->metaObject()->className());
      if (!seen.isEmpty() && seen.back() == kind) return;
      seen.append(kind);
      QProcess::startDetached(QStringLiteral("xdotool"),
                              {QStringLiteral("key"), kind == QStringLiteral("QMessageBox")
                                                          ? QStringLiteral("Return")
                                                          : QStringLiteral("Escape")});
    });
    user.start(50);
    Type(command);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return seen.size() == 2 && QApplication::activeModalWidget() == nullptr; }, 15000))
        << command.toStdString() << ": " << seen.join(u',').toStdString();
    user.stop();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("QMessageBox"), QStringLiteral("QFileDialog")}))
        << command.toStdString();
    QTest::qWait(200);
    EXPECT_TRUE(f->isVisible()) << command.toStdString();
    EXPECT_TRUE(f->Document().Modified()) << command.toStdString();
  }
  // What the clipboard gets from the window is the song as it was before.
  QGuiApplication::clipboard()->clear();
  Type(QStringLiteral("alt+e c"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return QGuiApplication::clipboard()->text().toStdString() == text; }, 5000));
}

}  // namespace

// The X server and the window manager start before the application connects, and stop
// after it has gone.
int main(int argc, char** argv) {
  UseTestScale(argc, argv);
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
  std::optional<TVirtualDesktop> desktop;
  if (!listing) Desktop = &desktop.emplace(1024, 768);
  qputenv("QT_QPA_PLATFORM", Desktop && Desktop->Missing().empty() ? "xcb" : "offscreen");
  TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The window's keys, the wheel over the staff, the tempo shown as a number, the tooltips
// and a song named on the command line, through real key, wheel and mouse events.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "tests/support/FormFixture.h"
#include "tests/support/SongTexts.h"

namespace {

using TShown = TRecordingPrompter::TShown;

class Input : public ::testing::Test {
 protected:
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);

  void SetUp() override {
    TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(fx.Shown));
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  }
  void TearDown() override { TestApplication().setPrompter(std::make_unique<TPrompter>()); }

  std::vector<TShown> Shown() { return std::exchange(*fx.Shown, {}); }
  // A key as the window system delivers it, to whatever has the focus: the window's
  // shortcuts see it first.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false) {
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QString();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
      qt_handleKeyEvent(f.windowHandle(), type, key, modifiers, text, repeat);
    QCoreApplication::processEvents();
  }
  void Focus(QWidget* w) {
    w->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), w);
  }
  // A wheel or a touchpad at a point of `w`.
  static void Wheel(QWidget* w, QPoint at, QPoint angle, QPoint pixels = {},
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(QPointF(at), QPointF(w->mapToGlobal(at)), pixels, angle, Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
  }
};

TEST_F(Input, TheFileCommandsHaveTheirStandardKeys) {
  Focus(c.TempoBar);
  Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(Shown(), (std::vector<TShown>{{"file", "OpenDialog1", ""}}));
  Key(Qt::Key_S, Qt::ControlModifier);  // an untitled song is saved under a name first
  EXPECT_EQ(Shown(), (std::vector<TShown>{{"file", "SaveDialog1", "無題"}}));
  Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Shown(), (std::vector<TShown>{{"file", "SaveDialog1", "無題"}}));

  c.TimeBtn34->click();
  Key(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Shown(), (std::vector<TShown>{{"confirm", "", "modifided. save this? "}}));
  EXPECT_TRUE(c.TimeBtn34->isChecked());  // New keeps the time signature
  EXPECT_FALSE(f.Document().Modified());

  // The menu shows them beside their entries.
  EXPECT_EQ(c.New1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
  EXPECT_EQ(c.SaveAs1->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)), true);

  Key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(f.isVisible());
}

TEST_F(Input, SpacePlaysAndStopsWhateverHasTheFocus) {
  for (QWidget* focused : std::vector<QWidget*>{c.TempoBar, c.ScrollBar, c.LoopBtn, c.MainImage}) {
    SCOPED_TRACE(focused->objectName().toStdString());
    Focus(focused);
    Key(Qt::Key_Space);
    EXPECT_TRUE(f.Playing());
    EXPECT_TRUE(c.Timer->isActive());
    EXPECT_TRUE(c.PlayBtn->isChecked());
    EXPECT_EQ(c.PlayBtn->ImageIndex(), 1);
    // A held key repeats: the song keeps playing.
    Key(Qt::Key_Space, Qt::NoModifier, true);
    EXPECT_TRUE(f.Playing());
    Key(Qt::Key_Space);
    EXPECT_FALSE(f.Playing());
    EXPECT_FALSE(c.Timer->isActive());
    EXPECT_TRUE(c.StopBtn->isChecked());
    EXPECT_EQ(c.StopBtn->ImageIndex(), 3);
    // The focused control never saw the key.
    EXPECT_FALSE(c.LoopBtn->isChecked());
    EXPECT_EQ(c.TempoBar->value(), 250);
  }
}

TEST_F(Input, ShiftPlaysFromTheFirstColumnWhollyInView) {
  // Scrolled by 300 pixels, column 8's notes are cut at the left edge and column 9's whole.
  c.ScrollBar->setValue(300);
  QTest::mouseClick(c.PlayBtn, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_TRUE(f.Playing());
  EXPECT_EQ(f.PlayPosition().PlayColumn, 9);
  EXPECT_EQ(f.PlayPosition().PlayTick, 17);  // a silent tick first, then column 9
  Key(Qt::Key_Space);
  EXPECT_FALSE(f.Playing());

  // A plain click plays from column 1 wherever the view stands.
  c.ScrollBar->setValue(300);
  QTest::mouseClick(c.PlayBtn, Qt::LeftButton);
  EXPECT_EQ(f.PlayPosition().PlayColumn, 1);
  EXPECT_EQ(f.PlayPosition().PlayTick, 1);
  Key(Qt::Key_Space);

  // Shift+Space whatever has the focus, and again to stop.
  for (QWidget* focused : std::vector<QWidget*>{c.TempoBar, c.ScrollBar, c.MainImage}) {
    SCOPED_TRACE(focused->objectName().toStdString());
    Focus(focused);
    c.ScrollBar->setValue(75);
    Key(Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_TRUE(f.Playing());
    EXPECT_TRUE(c.PlayBtn->isChecked());
    EXPECT_EQ(f.PlayPosition().PlayColumn, 2);
    Key(Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_FALSE(f.Playing());
    EXPECT_TRUE(c.StopBtn->isChecked());
    EXPECT_EQ(c.TempoBar->value(), 250);
  }
  // The keys held then are gone: a later click from code plays from column 1.
  c.PlayBtn->click();
  EXPECT_EQ(f.PlayPosition().PlayColumn, 1);
}

TEST_F(Input, TheWheelOverTheStaffScrollsAColumnANotchAndATouchpadByItsPixels) {
  const QPoint over(200, 70);
  Wheel(c.MainImage, over, {0, -120});
  EXPECT_EQ(c.ScrollBar->value(), 32);
  // Shift turns a wheel sideways on many desktops; either way it scrolls the song.
  Wheel(c.MainImage, over, {-120, 0}, {}, Qt::ShiftModifier);
  Wheel(c.MainImage, over, {0, -240}, {}, Qt::ShiftModifier);
  EXPECT_EQ(c.ScrollBar->value(), 128);
  Wheel(c.MainImage, over, {0, -120}, {0, -5});
  EXPECT_EQ(c.ScrollBar->value(), 133);
  Wheel(c.MainImage, over, {0, 120 * 10});
  EXPECT_EQ(c.ScrollBar->value(), 0);
  Wheel(c.MainImage, over, {0, -120 * 1000});
  EXPECT_EQ(c.ScrollBar->value(), c.ScrollBar->maximum());

  // The view shows the scrolled staff with the tool under the pointer at once.
  Wheel(c.MainImage, over, {0, 120});
  EXPECT_EQ(c.MainImage->cursor().shape(), Qt::BlankCursor);
  QImage expected = c.MainImage->Picture();
  f.DrawScore(over.x(), over.y(), ChosenTool(f));
  EXPECT_EQ(c.MainImage->Picture(), expected);
}

TEST_F(Input, TheTempoIsShownBesideTheSliderWhileTheUserMovesIt) {
  EXPECT_EQ(c.TempoBar->toolTip(), QStringLiteral("tempo: 250 columns per minute"));
  const auto tipReads = [](int tempo) {
    return QToolTip::isVisible() &&
           QToolTip::text() == QStringLiteral("tempo: %1 columns per minute").arg(tempo);
  };

  Focus(c.TempoBar);
  Key(Qt::Key_Right);
  EXPECT_EQ(c.TempoBar->value(), 251);
  EXPECT_TRUE(tipReads(251));
  EXPECT_EQ(c.TempoBar->toolTip(), QStringLiteral("tempo: 251 columns per minute"));
  // Above the slider, centred on its handle.
  QStyleOptionSlider option;
  option.initFrom(c.TempoBar);
  option.minimum = 100;
  option.maximum = 700;
  option.sliderPosition = 251;
  const QRect handle = c.TempoBar->style()->subControlRect(QStyle::CC_Slider, &option,
                                                           QStyle::SC_SliderHandle, c.TempoBar);
  const QWidget* tip = QApplication::topLevelAt(c.TempoBar->mapToGlobal(handle.center()) -
                                                QPoint(0, handle.height() / 2 + 8));
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->metaObject()->className(), std::string("QTipLabel"));
  EXPECT_LE(tip->geometry().bottom(), c.TempoBar->mapToGlobal(QPoint(0, 0)).y());

  Key(Qt::Key_End);
  EXPECT_TRUE(tipReads(700));
  Wheel(c.TempoBar, c.TempoBar->rect().center(), {0, -120});
  EXPECT_EQ(c.TempoBar->value(), 697);
  EXPECT_TRUE(tipReads(697));

  // Dragging the handle: the tip follows the value as it moves.
  option.sliderPosition = c.TempoBar->value();
  const QPoint grip =
      c.TempoBar->style()
          ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, c.TempoBar)
          .center();
  QTest::mousePress(c.TempoBar, Qt::LeftButton, Qt::NoModifier, grip);
  QTest::mouseMove(c.TempoBar, grip - QPoint(40, 0));
  const int dragged = c.TempoBar->value();
  EXPECT_LT(dragged, 697);
  EXPECT_TRUE(tipReads(dragged));
  QTest::mouseRelease(c.TempoBar, Qt::LeftButton, Qt::NoModifier, grip - QPoint(40, 0));

  // A song that sets the tempo changes the tooltip but raises no tip.
  c.NewAction->trigger();
  EXPECT_EQ(c.TempoBar->toolTip(), QStringLiteral("tempo: 250 columns per minute"));
  EXPECT_FALSE(tipReads(250));
}

TEST_F(Input, EverySoundAndButtonNamesItselfInATooltip) {
  const char* names[] = {
      "face", "mushroom", "little creature", "star", "flower",    "handheld game", "dog",
      "cat",  "pig",      "goose",           "baby", "aeroplane", "boat",          "car",
      "heart"};
  for (int n = 1; n <= 15; ++n)
    EXPECT_EQ(SoundButton(f, n).toolTip(), QString::fromLatin1(names[n - 1])) << n;
  EXPECT_TRUE(SoundButton(f, 16).toolTip().startsWith(QStringLiteral("end of the song")));
  const std::pair<TToolButton*, const char*> buttons[] = {
      {c.EraserBtn, "eraser"}, {c.TimeBtn34, "3/4 time"},   {c.TimeBtn44, "4/4 time"},
      {c.PlayBtn, "play"},     {c.StopBtn, "stop (Space)"}, {c.LoopBtn, "loop"}};
  for (const auto& [button, hint] : buttons)
    EXPECT_TRUE(button->toolTip().startsWith(QString::fromLatin1(hint)))
        << button->objectName().toStdString();
  EXPECT_TRUE(c.Lite1->toolTip().contains(QStringLiteral("slow machines")));
  EXPECT_TRUE(c.Edit1->toolTipsVisible());

  // The pointer resting on a palette button shows its name.
  TToolButton* mushroom = &SoundButton(f, 2);
  QHelpEvent rest(QEvent::ToolTip, QPoint(8, 8), mushroom->mapToGlobal(QPoint(8, 8)));
  QCoreApplication::sendEvent(mushroom, &rest);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), QStringLiteral("mushroom"));
}

TEST_F(Input, ASongNamedOnTheCommandLineOpensAsOpenWouldOpenIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString before = QDir::currentPath();
  QDir::setCurrent(dir.path());
  const auto write = [&](const QString& name, const std::string& text) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  };
  write(QStringLiteral("song.psq"), kWorkedExampleText);
  write(QStringLiteral("bad.psq"), "SCORE=0Z\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\n");

  // A name relative to the folder it was started in becomes the song's full name.
  f.OpenFromCommandLine(QStringLiteral("song.psq"));
  EXPECT_EQ(Shown(), std::vector<TShown>{});
  EXPECT_EQ(f.SongFileName(), dir.filePath(QStringLiteral("song.psq")));
  EXPECT_EQ(f.Song().Cell(9, 1), 1);
  EXPECT_EQ(f.Song().EndColumn, 33);
  EXPECT_EQ(c.TempoBar->value(), 300);
  EXPECT_FALSE(f.Document().Modified());
  // The open dialog proposes it next, as after Open.
  c.OpenAction->trigger();
  EXPECT_EQ(Shown().back(), (TShown{"file", "OpenDialog1", f.SongFileName()}));

  // Changes are offered for saving first; failures say what Open says.
  c.TimeBtn44->click();
  f.OpenFromCommandLine(QStringLiteral("missing.psq"));
  const std::vector<TShown> missing = Shown();
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[0].Kind, "confirm");
  EXPECT_EQ(missing[1].Kind, "error");
  EXPECT_EQ(missing[1].Text,
            QStringLiteral("ファイル %1 は開けません").arg(dir.filePath("missing.psq")));
  EXPECT_EQ(f.Song().EndColumn, 33);

  f.OpenFromCommandLine(dir.filePath(QStringLiteral("bad.psq")));
  EXPECT_EQ(Shown().back(), (TShown{"message", "input_test", "データが不正です"}));
  EXPECT_EQ(f.SongFileName(), QStringLiteral("無題"));
  EXPECT_EQ(f.Song().EndColumn, 97);
  QDir::setCurrent(before);
}

}  // namespace

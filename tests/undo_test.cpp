#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include "app/layout/Image.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/TempoDisplay.h"
#include "app/layout/ToolBar.h"
#include "core/Transport.h"
#include "tests/support/FormFixture.h"

namespace {

// The real window, driven through the keyboard and the mouse as a user would.
class UndoWindow : public ::testing::Test {
 protected:
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);

  void SetUp() override {
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  }
  void Place(int sound, int row, int column) {
    SoundButton(f, sound).click();
    QTest::mouseClick(c.MainImage, Qt::LeftButton, Qt::NoModifier,
                      QPoint(82 + 32 * (column - 1), 32 + 8 * row));
  }
  void Key(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(to, key, modifiers);
  }
  // Which of undo and redo the menu and the button offer.
  std::string Offered() const {
    EXPECT_EQ(c.UndoBtn->isEnabled(), c.Undo1->isEnabled());
    return std::string(c.Undo1->isEnabled() ? "undo" : "") + (c.Redo1->isEnabled() ? "redo" : "");
  }
  QImage View() {
    f.DrawScore(-1, -1, -1);
    return c.MainImage->Picture();
  }
  // Drags the slider's handle by the mouse through several places.
  void DragTempo(std::initializer_list<int> offsets) {
    QSlider* s = c.TempoBar;
    QStyleOptionSlider option;
    option.initFrom(s);
    option.orientation = s->orientation();
    option.minimum = s->minimum();
    option.maximum = s->maximum();
    option.sliderPosition = s->sliderPosition();
    option.sliderValue = s->value();
    option.subControls = QStyle::SC_All;
    const QPoint handle =
        s->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, s).center();
    const auto send = [s](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
      QMouseEvent event(type, QPointF(at), QPointF(s->mapToGlobal(at)), Qt::LeftButton, held,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(s, &event);
    };
    send(QEvent::MouseButtonPress, handle, Qt::LeftButton);
    for (int dx : offsets) send(QEvent::MouseMove, handle + QPoint(dx, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, handle + QPoint(*std::rbegin(offsets), 0), Qt::NoButton);
  }
};

TEST_F(UndoWindow, TheKeysTheMenuAndTheButtonWalkTheHistory) {
  EXPECT_EQ(Offered(), "");
  EXPECT_EQ(c.Redo1->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                 QKeySequence(Qt::CTRL | Qt::Key_Y)}));
  const QImage empty = View();
  Place(3, 5, 2);
  const QImage one = View();
  EXPECT_NE(one, empty);
  EXPECT_EQ(Offered(), "undo");
  c.TimeBtn34->click();
  c.LoopBtn->click();
  EXPECT_TRUE(f.Document().Modified());

  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(c.LoopBtn->isChecked());
  EXPECT_EQ(c.LoopBtn->ImageIndex(), PlayerPicture::LoopUp);
  EXPECT_EQ(Offered(), "undoredo");
  Key(&f, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(c.LoopBtn->isChecked());
  EXPECT_EQ(c.LoopBtn->ImageIndex(), PlayerPicture::LoopDown);
  EXPECT_EQ(Offered(), "undo");
  c.Undo1->trigger();
  Key(c.TempoBar, Qt::Key_Y, Qt::ControlModifier);  // whatever has the focus
  EXPECT_TRUE(c.LoopBtn->isChecked());

  // The button shows the dog's face held while it is pressed, and undoes when released.
  QTest::mouseClick(c.UndoBtn, Qt::LeftButton);  // the loop
  QTest::mousePress(c.UndoBtn, Qt::LeftButton);
  EXPECT_EQ(c.UndoBtn->ImageIndex(), EtcPicture::UndoHeld);
  EXPECT_TRUE(c.TimeBtn34->isChecked());
  QTest::mouseRelease(c.UndoBtn, Qt::LeftButton);
  EXPECT_EQ(c.UndoBtn->ImageIndex(), EtcPicture::UndoReleased);
  EXPECT_TRUE(c.TimeBtn44->isChecked());
  EXPECT_EQ(c.TimeBtn44->ImageIndex(), EtcPicture::Time44Down);
  EXPECT_EQ(c.TimeBtn34->ImageIndex(), EtcPicture::Time34Up);

  // The last step back shows the empty song at once, with nothing left to save.
  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(c.MainImage->Picture(), empty);
  EXPECT_EQ(f.Song().ColumnNoteCount[2], 0);
  EXPECT_FALSE(f.Document().Modified());
  EXPECT_EQ(Offered(), "redo");
  Key(&f, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(c.MainImage->Picture(), one);
  // A new change leaves nothing to redo.
  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  Place(4, 6, 6);
  EXPECT_EQ(Offered(), "undo");
}

TEST_F(UndoWindow, NothingCanBeUndoneWhilePlaying) {
  Place(3, 5, 2);
  c.TimeBtn34->click();
  c.Undo1->trigger();
  QTest::mouseClick(c.PlayBtn, Qt::LeftButton);
  ASSERT_TRUE(f.Playing());
  EXPECT_EQ(Offered(), "");
  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  Key(&f, Qt::Key_Y, Qt::ControlModifier);
  f.Undo1Click();  // even called directly
  f.Redo1Click();
  EXPECT_EQ(f.Song().Cell(5, 2), 3);
  EXPECT_TRUE(c.TimeBtn44->isChecked());
  QTest::mouseClick(c.StopBtn, Qt::LeftButton);
  EXPECT_EQ(Offered(), "undoredo");
}

TEST_F(UndoWindow, ATempoDragOrKeyRunIsOneStepAndUndoRetimes) {
  DragTempo({10, 25, 40});
  const int dragged = c.TempoBar->value();
  ASSERT_GT(dragged, DefaultTempo + 100);
  EXPECT_EQ(c.Timer->interval(), IntervalFromTempo(dragged));
  DragTempo({-5, -20});  // a second drag is a step of its own
  ASSERT_LT(c.TempoBar->value(), dragged);
  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(c.TempoBar->value(), dragged);
  Key(&f, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo);
  EXPECT_EQ(c.Timer->interval(), IntervalFromTempo(DefaultTempo));
  EXPECT_EQ(Offered(), "redo");

  // Keys pressed in a row are one step; a pause ends the run.
  c.TempoBar->setFocus();
  for (int k = 0; k < 3; ++k) Key(c.TempoBar, Qt::Key_Right);
  QTest::qWait(800);
  for (int k = 0; k < 2; ++k) Key(c.TempoBar, Qt::Key_Right);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo + 5);
  Key(c.TempoBar, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo + 3);
  Key(c.TempoBar, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(c.TempoBar->value(), DefaultTempo);
  EXPECT_FALSE(f.Document().Modified());
}

}  // namespace

namespace {

// The document owns tempo, loop and time signature. Undo, redo and a new song show them on
// the controls without running the controls' change handlers, one change each; and what the
// window writes and draws follows the document, even where a control was moved behind its
// back.
TEST_F(UndoWindow, TheControlsShowTheSongsSettingsAndNeverHoldThem) {
  auto& tempo = Control<QSlider>(f, "TempoBar");
  auto& loop = Control<TToolButton>(f, "LoopBtn");
  auto& time34 = Control<TToolButton>(f, "TimeBtn34");
  auto& time44 = Control<TToolButton>(f, "TimeBtn44");
  DragTempo({10, 25, 40});
  const int dragged = tempo.value();
  QTest::mouseClick(&loop, Qt::LeftButton);
  QTest::mouseClick(&time34, Qt::LeftButton);

  QSignalSpy moved(&tempo, &QSlider::valueChanged);
  QSignalSpy clicked(&loop, &QAbstractButton::clicked);
  QSignalSpy clicked34(&time34, &QAbstractButton::clicked);
  QSignalSpy clicked44(&time44, &QAbstractButton::clicked);
  int changes = 0;
  f.Document().Subscribe([&] { ++changes; });
  const auto shows = [&](int32_t bpm, bool looping, bool four, const char* after) {
    SCOPED_TRACE(after);
    EXPECT_EQ(tempo.value(), bpm);
    EXPECT_EQ(tempo.toolTip(), TTempoDisplay::Text(bpm));
    EXPECT_EQ(loop.isChecked(), looping);
    EXPECT_EQ(loop.ImageIndex(), looping ? PlayerPicture::LoopDown : PlayerPicture::LoopUp);
    EXPECT_EQ(time44.isChecked(), four);
    EXPECT_NE(time34.isChecked(), four);
    EXPECT_EQ(time44.ImageIndex(), four ? EtcPicture::Time44Down : EtcPicture::Time44Up);
    EXPECT_EQ(time34.ImageIndex(), four ? EtcPicture::Time34Up : EtcPicture::Time34Down);
    EXPECT_EQ(f.Document().Settings().Tempo, bpm);
    EXPECT_EQ(moved.count() + clicked.count() + clicked34.count() + clicked44.count(), 0);
  };
  c.Undo1->trigger();
  shows(dragged, true, true, "undoing 3/4");
  c.Undo1->trigger();
  shows(dragged, false, true, "undoing the loop");
  c.Undo1->trigger();
  shows(DefaultTempo, false, true, "undoing the drag");
  EXPECT_EQ(changes, 3);
  for (int k = 0; k < 3; ++k) c.Redo1->trigger();
  shows(dragged, true, false, "redoing all");
  EXPECT_EQ(changes, 6);
  c.NewAction->trigger();  // the question is answered No
  shows(DefaultTempo, true, false, "a new song");

  // Controls moved without telling the window change nothing the window writes or draws;
  // the next change the user makes is taken from the control as usual.
  const std::string text =
      "SCORE=" + std::string(288, '0') + "\r\nTEMPO=250\r\nLOOP=TRUE\r\nEND=97\r\nTIME44=FALSE\r\n";
  ASSERT_EQ(f.Document().Text(), text);
  const QImage view = View();
  {
    const QSignalBlocker quiet(tempo);
    tempo.setValue(600);
  }
  loop.setChecked(false);
  time44.setChecked(true);
  EXPECT_EQ(f.Document().Text(), text);
  EXPECT_EQ(View(), view);
  c.SaveToClipbrdAction->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), text);
  QTest::mouseClick(&time44, Qt::LeftButton);
  EXPECT_TRUE(f.Document().Settings().Time44);
  tempo.setValue(601);
  EXPECT_EQ(f.Document().Settings().Tempo, 601);
}

}  // namespace

// Composing through the window as a user does: drags that paint, the right button that
// erases, columns selected on the strip above the staff and the edit menu's column commands
// by their keys, and a view as wide as the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "app/layout/Image.h"
#include "app/layout/ToolBar.h"
#include "core/ColumnClipText.h"
#include "core/ScoreGeometry.h"
#include "sound/ddsd/ddsd.h"
#include "sound/dsound/ds_seam.h"
#include "tests/support/FormFixture.h"

namespace {

using TShown = TRecordingPrompter::TShown;

// The window on the offline device, with every device call recorded.
class Compose : public ::testing::Test {
 protected:
  dsound::TestSeam seam;
  TFormFixture fx{44100};
  TForm1& f = *fx.Form;
  TImage& view = Control<TImage>(f, "MainImage");
  QScrollBar& scroll = Control<QScrollBar>(f, "ScrollBar");

  void SetUp() override {
    TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(fx.Shown));
    QGuiApplication::clipboard()->clear();
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    seam.ClearCalls();
  }
  void TearDown() override { TestApplication().setPrompter(std::make_unique<TPrompter>()); }

  // Mouse events as the window system sends them while buttons are held.
  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at,
             Qt::KeyboardModifiers shift = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(view.mapToGlobal(at)), button, held, shift);
    QCoreApplication::sendEvent(&view, &event);
  }
  void Drag(Qt::MouseButton button, const std::vector<QPoint>& way,
            Qt::KeyboardModifiers shift = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, button, button, way.front(), shift);
    for (std::size_t k = 1; k < way.size(); ++k)
      Mouse(QEvent::MouseMove, Qt::NoButton, button, way[k], shift);
    Mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, way.back(), shift);
  }
  void Click(Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers shift = Qt::NoModifier) {
    Drag(button, {at}, shift);
  }
  // A key as the window system delivers it: the window's shortcuts see it first.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
      qt_handleKeyEvent(f.windowHandle(), type, key, modifiers, QString(), false);
    QCoreApplication::processEvents();
  }
  void Select(int sound) {
    Control<TToolButton>(f, ("SoundBtn" + std::to_string(sound)).c_str()).click();
  }
  int Heard() const {
    return static_cast<int>(std::count(seam.Calls().begin(), seam.Calls().end(), "channel 0.Play"));
  }
  int Undos() {
    int n = 0;
    for (QAction& undo = Control<QAction>(f, "Undo1"); undo.isEnabled(); ++n) undo.trigger();
    return n;
  }
  std::vector<TShown> Shown() { return std::exchange(*fx.Shown, {}); }
  bool Enabled(const char* entry) { return Control<QAction>(f, entry).isEnabled(); }
};

// Where column n's notes and row r's notes are centred in the unscrolled view; the strip
// above the staff lies above row 1.
int X(int column) { return ColumnLineX(column, 0); }
int Y(int row) { return RowCentreY(row); }
constexpr int StripY = 20;

std::vector<int32_t> Notes(const TSong& song, int column) {
  std::vector<int32_t> notes;
  for (int r = 1; r <= RowCount; ++r) notes.push_back(song.Cell(r, column));
  return notes;
}

TEST_F(Compose, ALeftDragPaintsEveryCellItPassesOnceAsOneStep) {
  Select(6);
  seam.ClearCalls();
  // From column 1 to column 8 on row 7, with one jump and a step back on the way.
  Drag(Qt::LeftButton, {{X(1), Y(7)}, {X(3), Y(7)}, {X(2) + 4, Y(7)}, {X(8), Y(7)}});
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(f.Song().Cell(7, c), 6) << c;
  EXPECT_EQ(f.Song().Cell(7, 9), 0);
  EXPECT_EQ(Heard(), 8);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(Undos(), 1);
  EXPECT_EQ(f.Song().Score, TSong{}.Score);

  // The three-notes limit and the end hold for each cell; a refused note is still heard.
  for (int r : {1, 2, 3}) SetCell(f, r, 2, 1);
  SetEndColumn(f, 4);
  seam.ClearCalls();
  Drag(Qt::LeftButton, {{X(1), Y(9)}, {X(5), Y(9)}});
  EXPECT_EQ(f.Song().Cell(9, 1), 6);
  EXPECT_EQ(f.Song().Cell(9, 2), 0);
  EXPECT_EQ(f.Song().Cell(9, 3), 6);
  EXPECT_EQ(f.Song().Cell(9, 4), 0);
  EXPECT_EQ(Heard(), 5);

  // The end tool follows the drag; nothing is edited while the song plays.
  Select(EndMarkerSound);
  Drag(Qt::LeftButton, {{X(10), Y(4)}, {X(20), Y(4)}});
  EXPECT_EQ(f.Song().EndColumn, 20);
  Control<TToolButton>(f, "PlayBtn").click();
  const std::string playing = f.Document().Text();
  Drag(Qt::LeftButton, {{X(30), Y(4)}, {X(40), Y(4)}});
  EXPECT_EQ(f.Document().Text(), playing);
  // Nor once playback starts in the middle of a drag.
  Control<TToolButton>(f, "StopBtn").click();
  Select(3);
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {X(11), Y(2)});
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {X(12), Y(2)});
  Key(Qt::Key_Space);
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {X(15), Y(2)});
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {X(15), Y(2)});
  EXPECT_EQ(f.Song().Cell(2, 12), 3);
  EXPECT_EQ(f.Song().Cell(2, 13), 0);
}

TEST_F(Compose, TheRightButtonErasesWhateverTheTool) {
  SetCell(f, 5, 3, 2);
  SetCell(f, 5, 4, 7);
  SetCell(f, 5, 6, 9);
  Select(EndMarkerSound);
  f.Document().Saved();
  seam.ClearCalls();
  Click(Qt::RightButton, {X(3), Y(5)});
  EXPECT_EQ(f.Song().Cell(5, 3), 0);
  EXPECT_EQ(f.Song().ColumnNoteCount[3], 0);
  EXPECT_EQ(f.Song().EndColumn, WholeSongEnd);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(Heard(), 1);
  EXPECT_NE(std::find(seam.Calls().begin(), seam.Calls().end(),
                      "DuplicateSoundBuffer(waves/Sound20.wav)"),
            seam.Calls().end());
  // An empty cell: nothing heard.
  seam.ClearCalls();
  Click(Qt::RightButton, {X(5), Y(5)});
  EXPECT_EQ(Heard(), 0);
  // Along a drag, one step; the middle button does nothing.
  Drag(Qt::RightButton, {{X(1), Y(5)}, {X(8), Y(5)}});
  EXPECT_EQ(Heard(), 2);
  EXPECT_EQ(f.Song().Score, TSong{}.Score);
  Control<QAction>(f, "Undo1").trigger();
  EXPECT_EQ(f.Song().Cell(5, 4), 7);
  EXPECT_EQ(f.Song().Cell(5, 6), 9);
  Click(Qt::MiddleButton, {X(4), Y(5)});
  EXPECT_EQ(f.Song().Cell(5, 4), 7);
}

TEST_F(Compose, TheStripSelectsWholeColumnsDrawnBehindTheNotes) {
  SetCell(f, 6, 2, 3);
  EXPECT_FALSE(Enabled("CopyColumns1"));
  QTest::mouseMove(&view, {X(3), StripY});
  EXPECT_TRUE(view.toolTip().contains(QStringLiteral("select")));
  QTest::mouseMove(&view, {X(3), Y(3)});
  EXPECT_TRUE(view.toolTip().isEmpty());

  const TSong unselected = f.Song();
  const QImage plain = view.Picture();
  Drag(Qt::LeftButton, {{X(4) + 10, StripY}, {X(2), Y(9)}, {X(1) - 20, StripY}});
  EXPECT_EQ(f.SelectedColumns(), (TColumnRange{1, 4}));
  EXPECT_EQ(f.Song().Score, unselected.Score) << "a selection edits nothing";
  EXPECT_TRUE(Enabled("CopyColumns1") && Enabled("InsertSpace1") && Enabled("RemoveColumns1"));
  Click(Qt::LeftButton, {X(6), StripY}, Qt::ShiftModifier);
  EXPECT_EQ(f.SelectedColumns(), (TColumnRange{4, 6}));
  f.DrawScore(-1, -1, -1);
  const QImage banded = view.Picture();
  // Tinted from half a column before the first to half after the last, top to bottom...
  for (int y : {2, 70, 140}) {
    EXPECT_NE(banded.pixel(X(4) - 16, y), plain.pixel(X(4) - 16, y)) << y;
    EXPECT_NE(banded.pixel(X(6) + 15, y), plain.pixel(X(6) + 15, y)) << y;
    EXPECT_EQ(banded.pixel(X(4) - 17, y), plain.pixel(X(4) - 17, y)) << y;
    EXPECT_EQ(banded.pixel(X(6) + 16, y), plain.pixel(X(6) + 16, y)) << y;
  }
  // ...behind the notes, which are drawn over it unchanged.
  SetCell(f, 6, 5, 3);
  f.DrawScore(-1, -1, -1);
  for (int d = -3; d <= 3; ++d)
    EXPECT_EQ(view.Picture().pixel(X(5) + d, Y(6) + d), plain.pixel(X(2) + d, Y(6) + d)) << d;

  // Escape, or a click on the staff, clears it.
  Key(Qt::Key_Escape);
  EXPECT_EQ(f.SelectedColumns(), std::nullopt);
  EXPECT_FALSE(Enabled("CopyColumns1") || Enabled("DeleteColumns1"));
  Click(Qt::LeftButton, {X(7), StripY});
  EXPECT_EQ(f.SelectedColumns(), (TColumnRange{7, 7}));
  Click(Qt::RightButton, {X(9), Y(12)});
  EXPECT_EQ(f.SelectedColumns(), std::nullopt);
}

TEST_F(Compose, CopiedColumnsPasteWhereTheUserLooksAsOneStep) {
  SetCell(f, 1, 1, 2);
  SetCell(f, 7, 1, 5);
  SetCell(f, 13, 1, 15);
  SetCell(f, 3, 2, 13);
  SetCell(f, 12, 4, 9);
  SetCell(f, 8, 10, 4);  // overwritten by the empty column 2
  QGuiApplication::clipboard()->setText(QStringLiteral("SCORE=exported"));
  EXPECT_FALSE(Enabled("PasteColumns1"));
  Drag(Qt::LeftButton, {{X(1), StripY}, {X(4), StripY}});
  Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(copied->hasFormat(QStringLiteral("application/x-pomviksequencer-columns")));
  EXPECT_TRUE(copied->data(QStringLiteral("application/x-pomviksequencer-columns"))
                  .startsWith("SCORE=1275DF003D000"));
  EXPECT_EQ(copied->text(), QStringLiteral("SCORE=exported")) << "the export's text stays";
  EXPECT_TRUE(Enabled("PasteColumns1"));

  // Scrolled without a click, the selection is out of view: the copy goes to column 9,
  // the first wholly in view, and becomes the selection.
  scroll.setValue(300);
  f.Document().Saved();
  const TSong before = f.Song();
  Key(Qt::Key_V, Qt::ControlModifier);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Notes(f.Song(), 9 + k), Notes(f.Song(), 1 + k)) << k;
  EXPECT_EQ(f.Song().ColumnNoteCount[9], 3);
  EXPECT_EQ(f.SelectedColumns(), (TColumnRange{9, 12}));
  EXPECT_TRUE(f.Document().Modified());
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(f.Song().Score, before.Score);
  EXPECT_FALSE(f.Document().Modified());

  // Past the end of the song the copy is left out, and the user is told.
  Shown();
  SetEndColumn(f, 12);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Notes(f.Song(), 11), Notes(f.Song(), 3));
  EXPECT_EQ(
      Shown(),
      (std::vector<TShown>{{QStringLiteral("message"), ApplicationTitle(),
                            QStringLiteral("曲の終わりを越える 1 列は貼り付けませんでした")}}));

  // Columns another window copied paste here too; nothing else does.
  auto* other = new QMimeData;
  TColumnClip clip;
  clip.Columns.resize(1);
  clip.Columns[0][4] = 11;
  other->setData(QStringLiteral("application/x-pomviksequencer-columns"),
                 QByteArray::fromStdString(ColumnClipText(clip)));
  QGuiApplication::clipboard()->setMimeData(other);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.Song().Cell(4, 9), 11);
  EXPECT_EQ(f.SelectedColumns(), (TColumnRange{9, 9}));
  QGuiApplication::clipboard()->setText(QStringLiteral("SCORE=00A3"));
  EXPECT_FALSE(Enabled("PasteColumns1"));
  const std::string text = f.Document().Text();
  f.PasteColumns1Click();
  EXPECT_EQ(f.Document().Text(), text);
}

TEST_F(Compose, ColumnCommandsAreOneStepEachAndWaitWhilePlaying) {
  for (int c : {2, 5, 6, 7, 20}) SetCell(f, c % RowCount + 1, c, c % NoteSoundCount + 1);
  SetEndColumn(f, 30);
  const TSong start = f.Song();
  const auto selectColumns = [&](int first, int last) {
    Drag(Qt::LeftButton, {{X(first), StripY}, {X(last), StripY}});
  };
  const auto undoOnce = [&] {
    EXPECT_TRUE(f.Document().Modified());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(f.Document().Modified());
    EXPECT_EQ(f.Song().Score, start.Score);
    EXPECT_EQ(f.Song().EndColumn, start.EndColumn);
    EXPECT_EQ(f.Song().ColumnNoteCount, start.ColumnNoteCount);
    f.Document().Saved();
  };
  f.Document().Saved();

  // Insert: columns 5 and 6 and all after them move two columns on, and the end with them.
  selectColumns(5, 6);
  Key(Qt::Key_Insert);
  EXPECT_EQ(Notes(f.Song(), 5), Notes(TSong{}, 5));
  EXPECT_EQ(Notes(f.Song(), 6), Notes(TSong{}, 6));
  for (int c : {5, 6, 7, 20}) EXPECT_EQ(Notes(f.Song(), c + 2), Notes(start, c)) << c;
  EXPECT_EQ(Notes(f.Song(), 2), Notes(start, 2));
  EXPECT_EQ(f.Song().EndColumn, 32);
  undoOnce();

  // Remove closes the gap.
  selectColumns(5, 6);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Notes(f.Song(), 5), Notes(start, 7));
  EXPECT_EQ(Notes(f.Song(), 18), Notes(start, 20));
  EXPECT_EQ(f.Song().EndColumn, 28);
  undoOnce();

  // Delete clears; cut copies and clears.
  selectColumns(2, 5);
  Key(Qt::Key_Delete);
  EXPECT_EQ(f.Song().ColumnNoteCount[2] + f.Song().ColumnNoteCount[5], 0);
  EXPECT_EQ(Notes(f.Song(), 6), Notes(start, 6));
  undoOnce();
  Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(f.Song().ColumnNoteCount[2], 0);
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(
      QStringLiteral("application/x-pomviksequencer-columns")));
  undoOnce();

  // A note that would leave the staff refuses the insert, with a message.
  SetCell(f, 1, 96, 3);
  SetEndColumn(f, 30);
  const std::string full = f.Document().Text();
  Shown();
  selectColumns(10, 10);
  Key(Qt::Key_Insert);
  EXPECT_EQ(f.Document().Text(), full);
  EXPECT_EQ(
      Shown(),
      (std::vector<TShown>{{QStringLiteral("message"), ApplicationTitle(),
                            QStringLiteral("音符が譜面の外に出るため、空白を挿入できません")}}));

  // While the song plays, only copy is offered, and the commands change nothing.
  Control<TToolButton>(f, "PlayBtn").click();
  EXPECT_TRUE(Enabled("CopyColumns1"));
  for (const char* entry :
       {"CutColumns1", "PasteColumns1", "DeleteColumns1", "InsertSpace1", "RemoveColumns1"})
    EXPECT_FALSE(Enabled(entry)) << entry;
  f.RemoveColumns1Click();
  f.CutColumns1Click();
  EXPECT_EQ(f.Document().Text(), full);
  Control<TToolButton>(f, "StopBtn").click();
  EXPECT_TRUE(Enabled("RemoveColumns1"));
}

TEST_F(Compose, AWideWindowShowsMoreColumnsAndScrollsNoFurtherThanColumn97) {
  SetCell(f, 6, 29, 3);
  f.resize(1000, f.height());
  EXPECT_EQ(view.width(), 1000);
  EXPECT_EQ(scroll.maximum(), 3165 - 1000);
  EXPECT_EQ(view.Picture().width(), 1000);
  // Bars up to 8 are numbered in view (bar 7 at column 25, bar 8 at 29), and the note of
  // column 29 shows.
  const QImage unscrolled = view.Picture();
  const auto inked = [&](const QImage& picture, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        n += picture.pixel(x, y) != picture.pixel(x, 5);
    return n;
  };
  EXPECT_GT(inked(unscrolled, QRect(X(25) - 5, 20, 10, 12)), 10);
  EXPECT_GT(inked(unscrolled, QRect(X(29) - 5, 20, 10, 12)), 10);
  EXPECT_GT(inked(unscrolled, QRect(X(29) - 6, Y(6) - 6, 12, 12)), 20);

  // At the end of the range column 97 is the last one there; a click at the right edge
  // reaches it and nothing past it.
  scroll.setValue(scroll.maximum() + 500);
  EXPECT_EQ(scroll.value(), 2165);
  EXPECT_LT(ColumnLineX(97, scroll.value()), 1000);
  EXPECT_GE(ColumnLineX(98, scroll.value()) - 16, 1000);
  Select(EndMarkerSound);
  Click(Qt::LeftButton, {999, Y(4)});
  EXPECT_EQ(f.Song().EndColumn, 97);

  // Narrowed again, it is the designed view with its designed range.
  f.resize(385, f.height());
  EXPECT_EQ(view.width(), 385);
  EXPECT_EQ(scroll.maximum(), 2780);
}

}  // namespace

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/layout/ClientArea.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"
#include "tests/support/FormFixture.h"
#include "window/WinSize.h"

namespace {

bool Empty(const TScore& score) {
  for (const auto& row : score)
    for (int32_t cell : row)
      if (cell != 0) return false;
  return true;
}

TEST(FormStart, TheSongAndTheControlsStartInTheirDefaults) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  EXPECT_TRUE(Empty(f.Song().Score));
  for (int32_t n : f.Song().ColumnNoteCount) EXPECT_EQ(n, 0);
  EXPECT_EQ(f.Song().EndColumn, 97);
  EXPECT_EQ(c.TempoBar->value(), 250);
  EXPECT_EQ(c.TempoBar->minimum(), 100);
  EXPECT_EQ(c.TempoBar->maximum(), 700);
  EXPECT_FALSE(f.Document().Modified());
  EXPECT_FALSE(f.Playing());
  EXPECT_EQ(ChosenTool(f), 1);
  EXPECT_EQ(f.SongFileName(), QStringLiteral("無題"));
  EXPECT_FALSE(c.Timer->isActive());
  EXPECT_EQ(c.Timer->interval(), 120);
  EXPECT_EQ(c.Timer->timerType(), Qt::PreciseTimer);

  EXPECT_TRUE(SoundButton(f, 1).isChecked());
  EXPECT_TRUE(c.StopBtn->isChecked());
  EXPECT_FALSE(c.PlayBtn->isChecked());
  EXPECT_TRUE(c.TimeBtn44->isChecked());
  EXPECT_FALSE(c.TimeBtn34->isChecked());
  EXPECT_FALSE(c.LoopBtn->isChecked());
  EXPECT_FALSE(c.EraserBtn->isChecked());
  EXPECT_FALSE(c.Lite1->isChecked());

  // Start pictures of the buttons that switch them.
  EXPECT_EQ(c.PlayBtn->ImageIndex(), 0);
  EXPECT_EQ(c.StopBtn->ImageIndex(), 3);
  EXPECT_EQ(c.LoopBtn->ImageIndex(), 4);
  EXPECT_EQ(c.EraserBtn->ImageIndex(), 0);
  EXPECT_EQ(c.TimeBtn34->ImageIndex(), 2);
  EXPECT_EQ(c.TimeBtn44->ImageIndex(), 5);
  EXPECT_EQ(c.etcBtn1->ImageIndex(), 6);
  EXPECT_EQ(c.etcBtn2->ImageIndex(), 8);
  EXPECT_EQ(c.etcBtn3->ImageIndex(), 10);
  EXPECT_EQ(c.UndoBtn->ImageIndex(), 12);
  for (TToolButton* b : {c.OptionBtn, c.etcBtn1, c.etcBtn2, c.etcBtn3, c.UndoBtn})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();

  for (int n = 1; n <= 16; ++n) EXPECT_EQ(SoundButton(f, n).ImageIndex(), n - 1);
  EXPECT_TRUE(fx.Shown->empty());
}

TEST(FormLayout, ClientAreaPlacesItsControlsAsDesigned) {
  TestApplication();
  // The client area takes its controls as children.
  auto *top = new QWidget, *view = new QWidget, *scroll = new QWidget, *bottom = new QWidget;
  view->setFixedHeight(144);
  view->setMaximumWidth(1000);
  TClientArea client(top, view, scroll, bottom, nullptr);
  client.resize(385, 271);
  client.show();
  EXPECT_EQ(top->geometry(), QRect(0, 0, 385, 56));
  EXPECT_EQ(view->geometry(), QRect(0, 56, 385, 144));
  EXPECT_EQ(scroll->geometry(), QRect(0, 200, 385, 15));
  EXPECT_EQ(bottom->geometry(), QRect(0, 215, 385, 56));
  // Taller and wider: the view keeps its height, its centre at 128/271 of the height, and
  // grows sideways as far as it may.
  client.resize(600, 542);
  EXPECT_EQ(view->geometry(), QRect(0, 256 - 72, 600, 144));
  EXPECT_EQ(scroll->geometry(), QRect(0, 542 - 71, 600, 15));
  EXPECT_EQ(bottom->geometry(), QRect(0, 542 - 56, 600, 56));
  client.resize(1200, 271);
  EXPECT_EQ(view->geometry(), QRect(0, 56, 1000, 144));
}

TEST(FormLayout, WindowHoldsTheClientAreaBelowItsMenu) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  QWidget* client = f.centralWidget();
  EXPECT_EQ(client->size(), QSize(385, 271));
  EXPECT_EQ(client->y(), f.menuBar()->height());
  EXPECT_EQ(c.MainImage->size(), QSize(385, 144));
  EXPECT_EQ(c.MainImage->x(), 0);
  EXPECT_EQ(c.ControlBar1->geometry(), QRect(0, 0, client->width(), 56));
  EXPECT_EQ(c.ToolBar1->geometry(), QRect(11, 2, 142, 22));
  EXPECT_EQ(c.SoundsBar->geometry(), QRect(11, 28, 368, 22));
  EXPECT_EQ(c.etcBar->geometry(), QRect(11, 2, 185, 22));
  EXPECT_EQ(c.PlayerBar->geometry().topLeft(), QPoint(11, 28));
  EXPECT_EQ(SoundButton(f, 16).geometry(), QRect(15 * 23, 0, 23, 22));
  EXPECT_EQ(c.SaveBtn->width(), 34);
  EXPECT_EQ(c.TempoBar->size(), QSize(120, 22));
  EXPECT_EQ(f.windowTitle(), QStringLiteral("PomvikSequencer"));
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);

  EXPECT_EQ(c.ScrollBar->minimum(), 0);
  EXPECT_EQ(c.ScrollBar->maximum(), 2780);
  EXPECT_EQ(c.ScrollBar->singleStep(), 10);
  EXPECT_EQ(c.ScrollBar->pageStep(), 20);

  // Widening: the view and the bars follow the window; the view scrolls less.
  f.resize(600, f.height());
  EXPECT_EQ(c.MainImage->geometry().left(), 0);
  EXPECT_EQ(c.MainImage->width(), 600);
  EXPECT_EQ(c.ScrollBar->maximum(), 2780 - (600 - 385));
  EXPECT_EQ(c.ScrollBar->width(), 600);
  EXPECT_EQ(c.ControlBar2->width(), 600);
}

TEST(FormLayout, WindowCannotBeSizedBeyondItsLimits) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  // The designed client area below the menu bar is the smallest, 183 pixels taller the
  // tallest, whatever frame surrounds it.
  EXPECT_TRUE(c.WinSize1->ClientSizes());
  EXPECT_EQ(c.WinSize1->MinTrackSizeX(), 385);
  EXPECT_EQ(c.WinSize1->MinTrackSizeY(), 271);
  EXPECT_EQ(c.WinSize1->MaxTrackSizeY(), 454);
  EXPECT_EQ(c.WinSize1->MaxTrackSizeX(), 0);
  f.resize(10, 10);
  EXPECT_EQ(f.centralWidget()->size(), QSize(385, 271));
  f.resize(2000, 2000);
  EXPECT_EQ(f.centralWidget()->size(), QSize(2000, 454));
}

QAction* FindEntry(QWidget* root, const QString& name) { return root->findChild<QAction*>(name); }

TEST(FormMenus, EntriesCaptionsAndStates) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  const std::vector<std::pair<const char*, const char*>> captions = {
      {"New1", "new(&N)"},
      {"Open1", "open(&O)"},
      {"Save1", "save(&S)"},
      {"SaveAs1", "save as(&A)"},
      {"Exit1", "quit(&X)"},
      {"Undo1", "undo(&U)"},
      {"Redo1", "redo(&R)"},
      {"Copy1", "export to clipboard(&C)"},
      {"Paste1", "import from clipboard(&P)"},
      {"Lite1", "LiteMode"},
      {"Option1", "options(&O)"},
      {"N21", "PomvikSeq(Release6)"},
      {"Lite2", "LiteMode"},
      {"N28", "quit this app"},
      {"Win981", "i dont know"},
      {"N26", "Exactly no"},
      {"N27", "it seems to be right"},
      {"Save2", "save(&S)"},
      {"SaveAs2", "save as(&A)"}};
  for (const auto& [name, caption] : captions) {
    QAction* a = FindEntry(&f, QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
  }
  EXPECT_EQ(c.File1->title(), QStringLiteral("file(&F)"));
  EXPECT_EQ(c.Edit1->title(), QStringLiteral("edit(&E)"));
  EXPECT_EQ(c.Help1->title(), QStringLiteral("help(&H)"));
  const std::vector<std::pair<const char*, const char*>> submenus = {
      {"About1", "about(&A)..."},
      {"N3", "trouble shooting"},
      {"N29", "too slow"},
      {"N30", "edit menu->"},
      {"MIDI1", "problem about MIDI"},
      {"N5", "no sound"},
      {"N8", "mentality test"},
      {"N23", "do you think you re stylish?"},
      {"N24", "yes"},
      {"N25", "no"}};
  for (const auto& [name, caption] : submenus) {
    auto* m = f.findChild<QMenu*>(QString::fromLatin1(name));
    ASSERT_NE(m, nullptr) << name;
    EXPECT_EQ(m->title(), QString::fromUtf8(caption)) << name;
  }

  EXPECT_FALSE(c.Undo1->isEnabled());
  EXPECT_EQ(c.Undo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  EXPECT_FALSE(c.Redo1->isEnabled());
  EXPECT_FALSE(c.Option1->isEnabled());
  EXPECT_TRUE(c.Lite1->isCheckable());
  EXPECT_FALSE(FindEntry(&f, QStringLiteral("Lite2"))->isCheckable());

  // Help entries and Lite2 do nothing.
  SetCell(f, 3, 4, 5);
  FindEntry(&f, QStringLiteral("Lite2"))->trigger();
  FindEntry(&f, QStringLiteral("N26"))->trigger();
  EXPECT_EQ(f.Song().Score[3][4], 5);
  EXPECT_FALSE(c.Lite1->isChecked());

  EXPECT_EQ(c.SaveBtn->menu(), c.SaveBtnMenu);
  EXPECT_EQ(c.SaveBtn->popupMode(), QToolButton::MenuButtonPopup);
  EXPECT_EQ(c.NewBtn->toolTip(), QStringLiteral("new"));
  EXPECT_EQ(c.OpenBtn->toolTip(), QStringLiteral("open"));
  EXPECT_EQ(c.SaveBtn->toolTip(), QStringLiteral("save"));
  EXPECT_EQ(c.PasteBtn->toolTip(), QStringLiteral("paste"));
}

TEST(FormMenus, ActionsCarryTheirCategoriesCaptionsAndImages) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  struct Expected {
    QAction* action;
    const char* category;
    const char* caption;
    int image;
  };
  const Expected actions[] = {{c.NewAction, "file", "new(&N)", 0},
                              {c.OpenAction, "file", "open(&O)", 1},
                              {c.SaveAction, "file", "save(&S)", 2},
                              {c.SaveAsAction, "file", "save as(&A)", -1},
                              {c.LoadFromClipbrdAction, "edit", "import from clipboard(&P)", 3},
                              {c.ModifiedAction, "", "ModifiedAction", -1},
                              {c.SaveToClipbrdAction, "edit", "export to clipboard(&C)", -1}};
  for (const Expected& e : actions) {
    ASSERT_NE(e.action, nullptr);
    EXPECT_EQ(e.action->property("Category").toString(), QString::fromLatin1(e.category));
    EXPECT_EQ(e.action->text(), QString::fromLatin1(e.caption));
    EXPECT_EQ(
        e.action->property("ImageIndex").isValid() ? e.action->property("ImageIndex").toInt() : -1,
        e.image);
    EXPECT_TRUE(e.action->isEnabled());
    EXPECT_TRUE(e.action->shortcut().isEmpty());
  }
}

// A file dialog lists its folder as soon as it exists, so none is made with the window:
// each is made when a command first asks for it, with its stored properties, opening in
// the folder the program started in, and kept for the next time.
TEST(FormDialogs, EachIsMadeOnFirstUseWithItsStoredProperties) {
  const QString before = QDir::currentPath();
  QTemporaryDir started, later;
  QDir::setCurrent(started.path());
  TFormFixture fx;
  TForm1& f = *fx.Form;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.findChildren<QFileDialog*>().isEmpty());

  QDir::setCurrent(later.path());
  for (const char* command : {"OpenAction", "SaveAsAction", "ExportAudio1", "OpenAction"})
    Control<QAction>(f, command).trigger();  // each dialog is cancelled
  QDir::setCurrent(before);
  EXPECT_EQ(f.findChildren<QFileDialog*>().size(), 3);
  const QStringList song{QStringLiteral("pomviksequence(*.psq)")};
  const auto& open = Control<QFileDialog>(f, "OpenDialog1");
  EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open.fileMode(), QFileDialog::AnyFile);
  EXPECT_EQ(open.nameFilters(), song);
  const auto& save = Control<QFileDialog>(f, "SaveDialog1");
  EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(save.nameFilters(), song);
  EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_TRUE(save.defaultSuffix().isEmpty());
  const auto& exported = Control<QFileDialog>(f, "ExportDialog1");
  EXPECT_EQ(exported.windowTitle(), QStringLiteral("export audio"));
  EXPECT_EQ(exported.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(exported.nameFilters().size(), 6);
  EXPECT_EQ(exported.defaultSuffix(), QStringLiteral("wav"));
  for (const QFileDialog* dialog : {&open, &save, &exported}) {
    EXPECT_TRUE(dialog->isSizeGripEnabled()) << dialog->objectName().toStdString();
    EXPECT_EQ(QFileInfo(dialog->directory().path()), QFileInfo(started.path()))
        << dialog->objectName().toStdString();
  }
}

TEST(FormPictures, ImageListsAndHiddenPicturesHaveTheirSizes) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  const std::tuple<TImageList*, int, int, int> lists[] = {{c.CommonImages, 16, 16, 5},
                                                          {c.PlayerImages, 16, 16, 6},
                                                          {c.etcImages, 16, 16, 14},
                                                          {c.SoundImages, 16, 16, 18},
                                                          {c.PomvikImages, 16, 22, 5}};
  for (const auto& [list, w, h, count] : lists) {
    EXPECT_EQ(list->Count(), count) << list->objectName().toStdString();
    EXPECT_EQ(list->Image(0).size(), QSize(w, h)) << list->objectName().toStdString();
  }
  const std::pair<TImage*, QSize> hidden[] = {{c.BGImage, {1, 144}},      {c.ToonImage, {24, 82}},
                                              {c.CounterImage, {1, 107}}, {c.LineImage, {1, 107}},
                                              {c.LoopFImage, {13, 66}},   {c.LoopLImage, {13, 66}},
                                              {c.LastImage, {8, 66}},     {c.CLineImage, {24, 2}}};
  for (const auto& [image, size] : hidden) {
    EXPECT_EQ(image->Picture().size(), size) << image->objectName().toStdString();
    EXPECT_FALSE(image->isVisible());
  }
  EXPECT_EQ(c.BGImage->Picture().pixelColor(0, 40), QColor(205, 238, 230));
  EXPECT_FALSE(f.windowIcon().isNull());
}

TEST(FormNew, KeepsLoopAndTimeAndResetsTheRest) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  c.LoopBtn->click();
  c.TimeBtn34->click();
  c.TempoBar->setValue(400);
  EXPECT_TRUE(f.Document().Modified());
  EXPECT_EQ(c.Timer->interval(), 75);
  SetEndColumn(f, 30);
  SetCell(f, 13, 96, 15);
  c.ScrollBar->setValue(300);
  SoundButton(f, 7).click();

  c.NewAction->trigger();
  EXPECT_TRUE(c.LoopBtn->isChecked());
  EXPECT_TRUE(c.TimeBtn34->isChecked());
  EXPECT_EQ(c.TempoBar->value(), 250);
  EXPECT_EQ(c.Timer->interval(), 120);
  EXPECT_EQ(f.Song().EndColumn, 97);
  EXPECT_TRUE(Empty(f.Song().Score));
  EXPECT_EQ(f.Song().ColumnNoteCount[96], 0);
  EXPECT_FALSE(f.Document().Modified());  // the tempo reset does not leave the song marked
  EXPECT_EQ(c.ScrollBar->value(), 300);
  EXPECT_EQ(ChosenTool(f), 7);
  EXPECT_TRUE(c.StopBtn->isChecked());
}

TEST(FormNew, StopsPlaybackFirst) {
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);
  QTest::mouseClick(c.PlayBtn, Qt::LeftButton);
  ASSERT_TRUE(f.Playing());
  c.NewAction->trigger();
  EXPECT_FALSE(f.Playing());
  EXPECT_FALSE(c.Timer->isActive());
  EXPECT_TRUE(c.StopBtn->isChecked());
  EXPECT_FALSE(c.PlayBtn->isChecked());
  EXPECT_EQ(c.StopBtn->ImageIndex(), 3);
  EXPECT_EQ(c.PlayBtn->ImageIndex(), 0);
}

TEST(ErrorReport, AnExceptionFromAHandlerIsShownAndTheProgramCarriesOn) {
  auto shown = std::make_shared<std::vector<TRecordingPrompter::TShown>>();
  TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(shown));
  QTimer timer;  // a handler run from the event loop, as every handler of the program is
  int ticks = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == 2) timer.stop();
    throw std::runtime_error("'x' は整数ではありません");
  });
  timer.start(1);
  // QtTest's QTRY macros return quietly on failure outside a QtTest run.
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks == 2; }, 5000));
  QTest::qWait(5);
  EXPECT_EQ(ticks, 2);  // the loop went on after the first failure
  ASSERT_EQ(shown->size(), 2u);
  EXPECT_EQ((*shown)[0].Kind, QStringLiteral("error"));
  EXPECT_EQ((*shown)[0].Title, QStringLiteral("form_test"));  // the program file without extension
  EXPECT_EQ((*shown)[0].Text, QStringLiteral("'x' は整数ではありません"));
  TestApplication().setPrompter(std::make_unique<TPrompter>());
}

}  // namespace

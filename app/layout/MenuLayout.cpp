#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/layout/FormControls.h"
#include "app/layout/FormLayout.h"
#include "app/layout/ImageList.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/ToolBar.h"

namespace {
constexpr int NoPicture = -1;

QAction* Action(const TImageList* images, QObject* list, const QString& name,
                const QString& category, const QString& caption, int image) {
  auto* a = new QAction(caption, list);
  a->setObjectName(name);
  a->setProperty("Category", category);
  if (image != NoPicture) {
    a->setIcon(images->Icon(image));
    a->setProperty("ImageIndex", image);
  }
  return a;
}

QAction* Entry(QMenu* menu, const QString& name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

// A menu entry bound to an action shows the action's caption and runs it.
QAction* Bound(QMenu* menu, const QString& name, QAction* action) {
  QAction* a = Entry(menu, name, action->text());
  a->setEnabled(action->isEnabled());
  QObject::connect(a, &QAction::triggered, action, &QAction::trigger);
  QObject::connect(action, &QAction::changed, a, [a, action] {
    a->setText(action->text());
    a->setEnabled(action->isEnabled());
  });
  return a;
}

QMenu* Submenu(QMenu* parent, const QString& name, const QString& caption) {
  QMenu* m = parent->addMenu(caption);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

// The desktop's keys for a command, and the common one where its scheme has none.
void Keys(QAction* entry, QKeySequence::StandardKey command, const QKeySequence& common) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(command);
  if (!keys.contains(common)) keys.append(common);
  entry->setShortcuts(keys);
}

void Separator(QMenu* menu, const QString& name) { menu->addSeparator()->setObjectName(name); }

// A tool button bound to an action takes its picture, enabled state and click from it,
// and keeps its own hint.
void BindButton(TToolButton* button, QAction* action, const QString& hint) {
  button->setDefaultAction(action);
  button->setToolTip(hint);
}

// The commands on whole columns selected along the strip above the staff, under the
// desktop's keys; they wait for a selection, and paste for columns on the clipboard.
void BuildColumnEntries(TFormControls& c) {
  Separator(c.Edit1, QStringLiteral("ColumnsSeparator"));
  const QString hint = QStringLiteral("on the columns selected along the strip above the staff");
  const auto entry = [&](const char* name, const char* caption) {
    QAction* a = Entry(c.Edit1, QString::fromLatin1(name), QString::fromLatin1(caption));
    a->setToolTip(hint);
    a->setEnabled(false);
    return a;
  };
  c.CutColumns1 = entry("CutColumns1", "cut columns(&T)");
  c.CopyColumns1 = entry("CopyColumns1", "copy columns(&Y)");
  c.PasteColumns1 = entry("PasteColumns1", "paste columns(&V)");
  c.PasteColumns1->setToolTip(
      QStringLiteral("from the first selected column, or the first column in view"));
  c.DeleteColumns1 = entry("DeleteColumns1", "delete columns(&D)");
  c.InsertSpace1 = entry("InsertSpace1", "insert space(&I)");
  c.RemoveColumns1 = entry("RemoveColumns1", "remove columns(&M)");
  Keys(c.CutColumns1, QKeySequence::Cut, QKeySequence(Qt::CTRL | Qt::Key_X));
  Keys(c.CopyColumns1, QKeySequence::Copy, QKeySequence(Qt::CTRL | Qt::Key_C));
  Keys(c.PasteColumns1, QKeySequence::Paste, QKeySequence(Qt::CTRL | Qt::Key_V));
  Keys(c.DeleteColumns1, QKeySequence::Delete, QKeySequence(Qt::Key_Delete));
  c.InsertSpace1->setShortcut(QKeySequence(Qt::Key_Insert));
  c.RemoveColumns1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
}
}  // namespace

void BuildActionsAndMenus(QMainWindow& f, TFormControls& c) {
  auto* list = new QObject(&f);
  list->setObjectName(QStringLiteral("ActionList1"));
  const QString file = QStringLiteral("file"), edit = QStringLiteral("edit");
  const auto action = [&](const char* name, const QString& category, const QString& caption,
                          int image) {
    return Action(c.CommonImages, list, QString::fromLatin1(name), category, caption, image);
  };
  c.NewAction = action("NewAction", file, QStringLiteral("new(&N)"), CommonPicture::New);
  c.OpenAction = action("OpenAction", file, QStringLiteral("open(&O)"), CommonPicture::Open);
  c.SaveAction = action("SaveAction", file, QStringLiteral("save(&S)"), CommonPicture::Save);
  c.SaveAsAction = action("SaveAsAction", file, QStringLiteral("save as(&A)"), NoPicture);
  c.LoadFromClipbrdAction =
      action("LoadFromClipbrdAction", edit, QStringLiteral("import from clipboard(&P)"),
             CommonPicture::Import);
  c.ModifiedAction =
      action("ModifiedAction", QString(), QStringLiteral("ModifiedAction"), NoPicture);
  c.SaveToClipbrdAction =
      action("SaveToClipbrdAction", edit, QStringLiteral("export to clipboard(&C)"), NoPicture);

  QMenuBar* bar = f.menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  c.File1 = bar->addMenu(QStringLiteral("file(&F)"));
  c.File1->setObjectName(QStringLiteral("File1"));
  c.New1 = Bound(c.File1, QStringLiteral("New1"), c.NewAction);
  c.Open1 = Bound(c.File1, QStringLiteral("Open1"), c.OpenAction);
  c.Save1 = Bound(c.File1, QStringLiteral("Save1"), c.SaveAction);
  c.SaveAs1 = Bound(c.File1, QStringLiteral("SaveAs1"), c.SaveAsAction);
  c.ExportAudio1 =
      Entry(c.File1, QStringLiteral("ExportAudio1"), QStringLiteral("export audio(&W)..."));
  Separator(c.File1, QStringLiteral("N2"));
  c.Exit1 = Entry(c.File1, QStringLiteral("Exit1"), QStringLiteral("quit(&X)"));
  Keys(c.New1, QKeySequence::New, QKeySequence(Qt::CTRL | Qt::Key_N));
  Keys(c.Open1, QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O));
  Keys(c.Save1, QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S));
  Keys(c.SaveAs1, QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  Keys(c.Exit1, QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));

  c.Edit1 = bar->addMenu(QStringLiteral("edit(&E)"));
  c.Edit1->setObjectName(QStringLiteral("Edit1"));
  c.Undo1 = Entry(c.Edit1, QStringLiteral("Undo1"), QStringLiteral("undo(&U)"));
  c.Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  c.Undo1->setEnabled(false);
  c.Redo1 = Entry(c.Edit1, QStringLiteral("Redo1"), QStringLiteral("redo(&R)"));
  c.Redo1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  c.Redo1->setEnabled(false);
  BuildColumnEntries(c);
  Separator(c.Edit1, QStringLiteral("N4"));
  c.Copy1 = Bound(c.Edit1, QStringLiteral("Copy1"), c.SaveToClipbrdAction);
  c.Paste1 = Bound(c.Edit1, QStringLiteral("Paste1"), c.LoadFromClipbrdAction);
  Separator(c.Edit1, QStringLiteral("N1"));
  c.Lite1 = Entry(c.Edit1, QStringLiteral("Lite1"), QStringLiteral("LiteMode"));
  c.Lite1->setCheckable(true);  // its check mark is all it does; playback reads it
  c.Lite1->setToolTip(QStringLiteral("the view stays still while playing, for slow machines"));
  c.Edit1->setToolTipsVisible(true);  // only entries given a tooltip show one
  c.Option1 = Entry(c.Edit1, QStringLiteral("Option1"), QStringLiteral("options(&O)"));
  c.Option1->setEnabled(false);

  // The help menu only shows text.
  c.Help1 = bar->addMenu(QStringLiteral("help(&H)"));
  c.Help1->setObjectName(QStringLiteral("Help1"));
  QMenu* about = Submenu(c.Help1, QStringLiteral("About1"), QStringLiteral("about(&A)..."));
  Entry(about, QStringLiteral("N21"), QStringLiteral("PomvikSeq(Release6)"));
  QMenu* trouble = Submenu(c.Help1, QStringLiteral("N3"), QStringLiteral("trouble shooting"));
  QMenu* slow = Submenu(trouble, QStringLiteral("N29"), QStringLiteral("too slow"));
  QMenu* editMenu = Submenu(slow, QStringLiteral("N30"), QStringLiteral("edit menu->"));
  Entry(editMenu, QStringLiteral("Lite2"), QStringLiteral("LiteMode"));
  QMenu* midi = Submenu(trouble, QStringLiteral("MIDI1"), QStringLiteral("problem about MIDI"));
  Entry(midi, QStringLiteral("N28"), QStringLiteral("quit this app"));
  QMenu* noSound = Submenu(trouble, QStringLiteral("N5"), QStringLiteral("no sound"));
  Entry(noSound, QStringLiteral("Win981"), QStringLiteral("i dont know"));
  Separator(c.Help1, QStringLiteral("N7"));
  QMenu* test = Submenu(c.Help1, QStringLiteral("N8"), QStringLiteral("mentality test"));
  QMenu* stylish =
      Submenu(test, QStringLiteral("N23"), QStringLiteral("do you think you re stylish?"));
  Entry(Submenu(stylish, QStringLiteral("N24"), QStringLiteral("yes")), QStringLiteral("N26"),
        QStringLiteral("Exactly no"));
  Entry(Submenu(stylish, QStringLiteral("N25"), QStringLiteral("no")), QStringLiteral("N27"),
        QStringLiteral("it seems to be right"));

  c.SaveBtnMenu = new QMenu(&f);
  c.SaveBtnMenu->setObjectName(QStringLiteral("SaveBtnMenu"));
  Bound(c.SaveBtnMenu, QStringLiteral("Save2"), c.SaveAction);
  Bound(c.SaveBtnMenu, QStringLiteral("SaveAs2"), c.SaveAsAction);

  BindButton(c.NewBtn, c.NewAction, QStringLiteral("new"));
  BindButton(c.OpenBtn, c.OpenAction, QStringLiteral("open"));
  BindButton(c.SaveBtn, c.SaveAction, QStringLiteral("save"));
  c.SaveBtn->setMenu(c.SaveBtnMenu);
  c.SaveBtn->setPopupMode(QToolButton::MenuButtonPopup);
  BindButton(c.PasteBtn, c.LoadFromClipbrdAction, QStringLiteral("paste"));
}

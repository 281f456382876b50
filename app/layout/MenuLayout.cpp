#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/Unit1.h"
#include "app/layout/FormLayout.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"

namespace {
QAction* Action(TForm1& f, QObject* list, const QString& name, const QString& category,
                const QString& caption, int image) {
  auto* a = new QAction(caption, list);
  a->setObjectName(name);
  a->setProperty("Category", category);
  if (image >= 0) {
    a->setIcon(f.CommonImages->Icon(image));
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

void Separator(QMenu* menu, const QString& name) { menu->addSeparator()->setObjectName(name); }

// A tool button bound to an action takes its picture, enabled state and click from it,
// and keeps its own hint.
void BindButton(TToolButton* button, QAction* action, const QString& hint) {
  button->setDefaultAction(action);
  button->setToolTip(hint);
}
}  // namespace

void BuildActionsAndMenus(TForm1& f) {
  auto* list = new QObject(&f);
  list->setObjectName(QStringLiteral("ActionList1"));
  const QString file = QStringLiteral("file"), edit = QStringLiteral("edit");
  f.NewAction = Action(f, list, QStringLiteral("NewAction"), file, QStringLiteral("new(&N)"), 0);
  f.OpenAction = Action(f, list, QStringLiteral("OpenAction"), file, QStringLiteral("open(&O)"), 1);
  f.SaveAction = Action(f, list, QStringLiteral("SaveAction"), file, QStringLiteral("save(&S)"), 2);
  f.SaveAsAction =
      Action(f, list, QStringLiteral("SaveAsAction"), file, QStringLiteral("save as(&A)"), -1);
  f.LoadFromClipbrdAction = Action(f, list, QStringLiteral("LoadFromClipbrdAction"), edit,
                                   QStringLiteral("import from clipboard(&P)"), 3);
  f.ModifiedAction = Action(f, list, QStringLiteral("ModifiedAction"), QString(),
                            QStringLiteral("ModifiedAction"), -1);
  f.SaveToClipbrdAction = Action(f, list, QStringLiteral("SaveToClipbrdAction"), edit,
                                 QStringLiteral("export to clipboard(&C)"), -1);
  QObject::connect(f.NewAction, &QAction::triggered, &f, &TForm1::NewActionExecute);

  QMenuBar* bar = f.menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  f.File1 = bar->addMenu(QStringLiteral("file(&F)"));
  f.File1->setObjectName(QStringLiteral("File1"));
  f.New1 = Bound(f.File1, QStringLiteral("New1"), f.NewAction);
  f.Open1 = Bound(f.File1, QStringLiteral("Open1"), f.OpenAction);
  f.Save1 = Bound(f.File1, QStringLiteral("Save1"), f.SaveAction);
  f.SaveAs1 = Bound(f.File1, QStringLiteral("SaveAs1"), f.SaveAsAction);
  Separator(f.File1, QStringLiteral("N2"));
  f.Exit1 = Entry(f.File1, QStringLiteral("Exit1"), QStringLiteral("quit(&X)"));
  QObject::connect(f.Exit1, &QAction::triggered, &f, &TForm1::Exit1Click);

  f.Edit1 = bar->addMenu(QStringLiteral("edit(&E)"));
  f.Edit1->setObjectName(QStringLiteral("Edit1"));
  f.Undo1 = Entry(f.Edit1, QStringLiteral("Undo1"), QStringLiteral("undo(&U)"));
  f.Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  f.Undo1->setEnabled(false);
  f.Redo1 = Entry(f.Edit1, QStringLiteral("Redo1"), QStringLiteral("redo(&R)"));
  f.Redo1->setEnabled(false);
  Separator(f.Edit1, QStringLiteral("N4"));
  f.Copy1 = Bound(f.Edit1, QStringLiteral("Copy1"), f.SaveToClipbrdAction);
  f.Paste1 = Bound(f.Edit1, QStringLiteral("Paste1"), f.LoadFromClipbrdAction);
  Separator(f.Edit1, QStringLiteral("N1"));
  f.Lite1 = Entry(f.Edit1, QStringLiteral("Lite1"), QStringLiteral("LiteMode"));
  f.Lite1->setCheckable(true);  // its check mark is all it does; playback reads it
  f.Option1 = Entry(f.Edit1, QStringLiteral("Option1"), QStringLiteral("options(&O)"));
  f.Option1->setEnabled(false);

  // The help menu only shows text.
  f.Help1 = bar->addMenu(QStringLiteral("help(&H)"));
  f.Help1->setObjectName(QStringLiteral("Help1"));
  QMenu* about = Submenu(f.Help1, QStringLiteral("About1"), QStringLiteral("about(&A)..."));
  Entry(about, QStringLiteral("N21"), QStringLiteral("PomvikSeq(Release6)"));
  QMenu* trouble = Submenu(f.Help1, QStringLiteral("N3"), QStringLiteral("trouble shooting"));
  QMenu* slow = Submenu(trouble, QStringLiteral("N29"), QStringLiteral("too slow"));
  QMenu* editMenu = Submenu(slow, QStringLiteral("N30"), QStringLiteral("edit menu->"));
  Entry(editMenu, QStringLiteral("Lite2"), QStringLiteral("LiteMode"));
  QMenu* midi = Submenu(trouble, QStringLiteral("MIDI1"), QStringLiteral("problem about MIDI"));
  Entry(midi, QStringLiteral("N28"), QStringLiteral("quit this app"));
  QMenu* noSound = Submenu(trouble, QStringLiteral("N5"), QStringLiteral("no sound"));
  Entry(noSound, QStringLiteral("Win981"), QStringLiteral("i dont know"));
  Separator(f.Help1, QStringLiteral("N7"));
  QMenu* test = Submenu(f.Help1, QStringLiteral("N8"), QStringLiteral("mentality test"));
  QMenu* stylish =
      Submenu(test, QStringLiteral("N23"), QStringLiteral("do you think you re stylish?"));
  Entry(Submenu(stylish, QStringLiteral("N24"), QStringLiteral("yes")), QStringLiteral("N26"),
        QStringLiteral("Exactly no"));
  Entry(Submenu(stylish, QStringLiteral("N25"), QStringLiteral("no")), QStringLiteral("N27"),
        QStringLiteral("it seems to be right"));

  f.SaveBtnMenu = new QMenu(&f);
  f.SaveBtnMenu->setObjectName(QStringLiteral("SaveBtnMenu"));
  Bound(f.SaveBtnMenu, QStringLiteral("Save2"), f.SaveAction);
  Bound(f.SaveBtnMenu, QStringLiteral("SaveAs2"), f.SaveAsAction);

  BindButton(f.NewBtn, f.NewAction, QStringLiteral("new"));
  BindButton(f.OpenBtn, f.OpenAction, QStringLiteral("open"));
  BindButton(f.SaveBtn, f.SaveAction, QStringLiteral("save"));
  f.SaveBtn->setMenu(f.SaveBtnMenu);
  f.SaveBtn->setPopupMode(QToolButton::MenuButtonPopup);
  BindButton(f.PasteBtn, f.LoadFromClipbrdAction, QStringLiteral("paste"));
}

// Undo and redo as a user reaches them: the keys, the edit menu and the dog button.
#include <QAction>
#include <QTest>

#include "app/layout/ToolBar.h"
#include "tests/soak/Soak.h"

void TSoak::Undo() {
  const std::string before = SongText();
  const bool playing = f().Playing();
  switch (dice_.Between(0, 2)) {
    case 0:
      QTest::keyClick(&f(), Qt::Key_Z, Qt::ControlModifier);
      break;
    case 1:
      c().Undo1->trigger();
      break;
    default:
      QTest::mouseClick(c().UndoBtn, Qt::LeftButton);
  }
  if (playing && SongText() != before) Fail("a step was undone while playing");
}

void TSoak::Redo() {
  const std::string before = SongText();
  const bool playing = f().Playing();
  switch (dice_.Between(0, 2)) {
    case 0:
      QTest::keyClick(&f(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      break;
    case 1:
      QTest::keyClick(&f(), Qt::Key_Y, Qt::ControlModifier);
      break;
    default:
      c().Redo1->trigger();
  }
  if (playing && SongText() != before) Fail("a step was redone while playing");
}

// Every step back leads to the song the history began with (the empty song after New),
// unless more changes were made than the history keeps; every step forward leads back.
void TSoak::UndoToTheStart() {
  QTest::mouseClick(c().StopBtn, Qt::LeftButton);
  const std::string end = SongText();
  long undone = 0;
  for (; c().Undo1->isEnabled() && undone <= 1000; ++undone) c().Undo1->trigger();
  if (c().Undo1->isEnabled()) Fail("more than 1000 steps to undo");
  if (changesSinceStart_ < 1000 && SongText() != historyStart_)
    Fail("undoing every step does not give back the song the history began with");
  Note(QStringLiteral("%1 steps").arg(undone));
  if (dice_.Chance(50)) return;
  while (c().Redo1->isEnabled() && undone-- > 0) c().Redo1->trigger();
  if (SongText() != end) Fail("redoing every step does not give back the song");
}

#pragma once

#include <QObject>
#include <QString>

class QSlider;

// Shows the tempo slider's value as a number, with no control of its own: the slider's
// tooltip always reads it, and while the user moves the slider (mouse, wheel or keys) a
// tip beside the handle follows the value.
class TTempoDisplay : public QObject {
  Q_OBJECT

 public:
  // Attaches to the slider, which owns it.
  explicit TTempoDisplay(QSlider* slider);

  static QString Text(int tempo);
  // Moves the slider to a tempo the program sets (a song's): its change signal stays quiet,
  // so no handler takes the move for the user's, and the tooltip still reads the value.
  static void Show(QSlider& slider, int tempo);

 private:
  void Changed(int value);
  void Moved();

  QSlider* slider_;
};

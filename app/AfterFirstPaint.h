#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Runs `start` once: right after the window's first paint, or at the first input meant for
// the window (a press, a key, a shortcut) when that comes sooner, before the input is
// handled. What the window needs only once it is seen, and what its input needs, can so
// wait until it has shown.
class TAfterFirstPaint : public QObject {
 public:
  // The window's native window must exist already (winId()).
  TAfterFirstPaint(QWidget& window, std::function<void()> start);

  // Runs the start now if it has not run yet.
  void Run();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool ForWindow(const QObject* watched) const;

  QWidget& window_;
  std::function<void()> start_;
  bool queued_ = false;
};

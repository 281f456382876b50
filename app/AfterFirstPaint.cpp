#include "app/AfterFirstPaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

TAfterFirstPaint::TAfterFirstPaint(QWidget& window, std::function<void()> start)
    : QObject(&window), window_(window), start_(std::move(start)) {
  window_.windowHandle()->installEventFilter(this);
  QCoreApplication::instance()->installEventFilter(this);
}

void TAfterFirstPaint::Run() {
  if (!start_) return;
  window_.windowHandle()->removeEventFilter(this);
  QCoreApplication::instance()->removeEventFilter(this);
  // Taken out first: the start may run an event loop of its own (a message box).
  const std::function<void()> start = std::move(start_);
  start_ = nullptr;
  start();
}

bool TAfterFirstPaint::ForWindow(const QObject* watched) const {
  for (const QObject* o = watched; o != nullptr; o = o->parent())
    if (o == &window_) return true;
  return false;
}

bool TAfterFirstPaint::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Expose:
      // The window paints while it handles its first exposure; the start comes after that.
      if (watched == window_.windowHandle() && !queued_ && window_.windowHandle()->isExposed()) {
        queued_ = true;
        QMetaObject::invokeMethod(this, &TAfterFirstPaint::Run, Qt::QueuedConnection);
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
      if (ForWindow(watched)) Run();
      break;
    default:
      break;
  }
  return false;
}

#include "app/layout/WindowPlace.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

QRect AvailableArea(const QWidget& window, QPoint at) {
  QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen) screen = window.screen();
  return screen ? screen->availableGeometry() : QRect();
}

QMargins FrameMargins(const QWidget& window) {
  return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

// Moves the frame to `wanted`, kept within the screen's available area, and says where.
QPoint Place(QWidget& window, QPoint wanted) {
  const QRect area = AvailableArea(window, wanted);
  const QMargins m = FrameMargins(window);
  const QSize frame = window.size().grownBy(m);
  const QPoint at = area.isValid() ? KeepWithin(QRect(wanted, frame), area) : wanted;
  window.move(at);
  return at;
}

const QString PendingPlacerName = QStringLiteral("FramePlacer");

// A window manager reports its frame only after it has mapped the window: then the frame
// is placed once more, unless it has been moved meanwhile. Its name says that it waits.
class TFramePlacer : public QObject {
 public:
  TFramePlacer(QWidget& window, QPoint wanted, QPoint placed)
      : QObject(&window), wanted_(wanted), placed_(placed) {
    setObjectName(PendingPlacerName);
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::UpdateRequest &&
        type != QEvent::WindowActivate)
      return false;
    auto* window = static_cast<QWidget*>(watched);
    if (FrameMargins(*window).isNull()) return false;
    window->removeEventFilter(this);
    // Window managers differ on whether the frame or the client went to the asked place.
    if (window->frameGeometry().topLeft() == placed_ || window->geometry().topLeft() == placed_)
      Place(*window, wanted_);
    setObjectName(QString());
    deleteLater();
    return false;
  }

 private:
  QPoint wanted_, placed_;
};

}  // namespace

QPoint KeepWithin(const QRect& frame, const QRect& area) {
  const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
  return {x, y};
}

bool AwaitingFramePlacement(const QWidget& window) {
  return window.findChild<QObject*>(PendingPlacerName, Qt::FindDirectChildrenOnly) != nullptr;
}

void PlaceOnScreen(QWidget& window, QPoint wanted) {
  const QPoint placed = Place(window, wanted);
  if (FrameMargins(window).isNull()) new TFramePlacer(window, wanted, placed);
}

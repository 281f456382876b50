#include "window/WinSize.h"

#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {
QWidget* FindForm(QObject* owner) {
  for (QObject* o = owner; o; o = o->parent()) {
    if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow()) return w;
  }
  return nullptr;
}

int ClampExtent(long long v) {
  return static_cast<int>(std::clamp<long long>(v, 0, QWIDGETSIZE_MAX));
}
}  // namespace

TWinSize::TWinSize(QObject* owner) : QObject(owner) {
  QWidget* form = FindForm(owner);
  if (!form) {
    qWarning("TWinSize: no form among the owners; nothing is hooked");
    return;
  }
  window_ = form;
  form->winId();  // the size limits act on the platform window, so make sure it exists
  ownMinimum_ = form->minimumSize();
  ownMaximum_ = form->maximumSize();
  form->installEventFilter(this);
}

TWinSize::~TWinSize() {
  if (!window_) return;
  window_->removeEventFilter(this);
  window_->setMinimumSize(ownMinimum_);
  window_->setMaximumSize(ownMaximum_);
}

void TWinSize::Set(int& limit, int value) {
  limit = value;
  ApplyTrackSizes();
}

void TWinSize::setClientSizes(bool client) {
  clientSizes_ = client;
  ApplyTrackSizes();
}

QSize TWinSize::FrameExtent() const {
  if (!window_ || !window_->windowHandle()) return {0, 0};
  const QMargins m = window_->windowHandle()->frameMargins();
  return {m.left() + m.right(), m.top() + m.bottom()};
}

int TWinSize::MenuHeight() const {
  const auto* form = qobject_cast<const QMainWindow*>(window_.data());
  const QWidget* menu = form ? form->menuWidget() : nullptr;
  return menu && !menu->isHidden() ? menu->sizeHint().height() : 0;
}

QSize TWinSize::Measure() const { return clientSizes_ ? QSize(0, -MenuHeight()) : FrameExtent(); }

TMinMaxInfo TWinSize::SystemMinMaxInfo() const {
  TMinMaxInfo info;
  if (!window_) return info;
  const QSize frame = FrameExtent();
  const QSize measure = Measure();
  QRect avail(0, 0, 0, 0);
  if (QScreen* screen = window_->screen()) avail = screen->availableGeometry();
  info.ptMaxSize = {avail.width() - frame.width() + measure.width(),
                    avail.height() - frame.height() + measure.height()};
  info.ptMaxPosition = avail.topLeft();
  info.ptMinTrackSize = {ownMinimum_.width() + measure.width(),
                         ownMinimum_.height() + measure.height()};
  info.ptMaxTrackSize = {
      ClampExtent(static_cast<long long>(ownMaximum_.width()) + measure.width()),
      ClampExtent(static_cast<long long>(ownMaximum_.height()) + measure.height())};
  return info;
}

// Qt has no size query to answer, so the answer is pushed into the widget's own limits,
// converted to its inner size. A limit of 0 leaves the form's own value untouched.
void TWinSize::ApplyTrackSizes() {
  if (!window_ || applying_) return;
  applying_ = true;
  const QSize measure = Measure();
  appliedMeasure_ = measure;
  const auto inner = [](int limit, int own, int extent) {
    return limit != 0 ? ClampExtent(static_cast<long long>(limit) - extent) : own;
  };
  window_->setMinimumSize(inner(limits_.MinTrackSizeX, ownMinimum_.width(), measure.width()),
                          inner(limits_.MinTrackSizeY, ownMinimum_.height(), measure.height()));
  window_->setMaximumSize(inner(limits_.MaxTrackSizeX, ownMaximum_.width(), measure.width()),
                          inner(limits_.MaxTrackSizeY, ownMaximum_.height(), measure.height()));
  applying_ = false;
}

void TWinSize::ApplyMaximisedGeometry() {
  const bool customised =
      limits_.MaxSizeX || limits_.MaxSizeY || limits_.MaxPositionX || limits_.MaxPositionY;
  if (!window_ || !customised || !window_->isMaximized()) return;
  const TMinMaxInfo info = GetMinMaxInfo();
  const QSize measure = Measure();
  const QMargins m = window_->windowHandle() ? window_->windowHandle()->frameMargins() : QMargins();
  window_->setGeometry(info.ptMaxPosition.x() + m.left(), info.ptMaxPosition.y() + m.top(),
                       ClampExtent(info.ptMaxSize.x() - measure.width()),
                       ClampExtent(info.ptMaxSize.y() - measure.height()));
}

bool TWinSize::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
      case QEvent::UpdateRequest:
      case QEvent::ScreenChangeInternal:
      case QEvent::LayoutRequest:
        // The window manager's frame becomes known some time after the window is shown;
        // the menu bar's height follows its font and style.
        if (Measure() != appliedMeasure_) ApplyTrackSizes();
        break;
      case QEvent::WindowStateChange:
        ApplyTrackSizes();
        ApplyMaximisedGeometry();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

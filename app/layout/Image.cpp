#include "app/layout/Image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <utility>

TImage::TImage(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::setPicture(QImage picture) {
  picture_ = std::move(picture);
  update();
}

QImage TImage::SwapPicture(QImage picture) {
  std::swap(picture_, picture);
  update();
  return picture;
}

QImage TImage::SwapPicture(QImage picture, int dx, const QRegion& changed) {
  std::swap(picture_, picture);
  if (dx != 0) scroll(dx, 0);  // Qt paints it all again where it cannot move the pixels
  update(changed);
  return picture;
}

void TImage::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().window());
  p.drawImage(QPoint(0, 0), picture_);
}

void TImage::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->buttons() != Qt::NoButton)
    emit MouseDrag(event->buttons(), event->modifiers(), pos.x(), pos.y());
  emit MouseMove(event->modifiers(), pos.x(), pos.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit MouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TImage::resizeEvent(QResizeEvent*) { emit Resized(); }

void TImage::leaveEvent(QEvent*) { emit MouseLeave(); }

void TImage::wheelEvent(QWheelEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit MouseWheel(event->modifiers(), event->angleDelta(), event->pixelDelta(), pos.x(), pos.y());
}

#include "app/layout/ClientArea.h"

#include <cmath>

TClientArea::TClientArea(QWidget* top, QWidget* view, QWidget* scrollBar, QWidget* bottom,
                         QWidget* parent)
    : QWidget(parent), top_(top), view_(view), scrollBar_(scrollBar), bottom_(bottom) {
  setObjectName(QStringLiteral("ClientArea"));
  for (QWidget* w : {top_, view_, scrollBar_, bottom_}) w->setParent(this);
}

void TClientArea::resizeEvent(QResizeEvent*) {
  const int w = width();
  const int h = height();
  top_->setGeometry(0, 0, w, ControlBarHeight);
  bottom_->setGeometry(0, h - ControlBarHeight, w, ControlBarHeight);
  scrollBar_->setGeometry(0, h - ControlBarHeight - ScrollBarHeight, w, ScrollBarHeight);
  // The view keeps its height and its centre's proportional place; its own limits bound
  // its width.
  constexpr double designedCentre = ViewTop + ViewHeight / 2.0;
  const int centre = static_cast<int>(std::lround(designedCentre * h / DesignedHeight));
  view_->setGeometry(0, centre - ViewHeight / 2, w, ViewHeight);
}

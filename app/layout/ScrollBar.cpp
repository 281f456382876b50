#include "app/layout/ScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

TScrollBar::TScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

QRect TScrollBar::Handle() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void TScrollBar::sliderChange(SliderChange change) {
  if (change != SliderValueChange || painted_.isNull()) {
    QScrollBar::sliderChange(change);
    return;
  }
  // The style draws the handle's edges a pixel or so beyond its rectangle.
  update((painted_ | Handle()).adjusted(-2, -2, 2, 2));
}

void TScrollBar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  painted_ = Handle();
}

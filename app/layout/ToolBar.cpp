#include "app/layout/ToolBar.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>

#include "app/layout/ImageList.h"

namespace {
constexpr QSize ButtonSize(23, 22);
constexpr int SeparatorWidth = 8;
constexpr int GripWidth = 11;
}  // namespace

TToolButton::TToolButton(const QString& name, const TImageList* images, QWidget* parent)
    : QToolButton(parent), images_(images) {
  setObjectName(name);
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setIconSize(QSize(16, 16));
  setFixedSize(ButtonSize);
}

void TToolButton::setImageIndex(int index) {
  imageIndex_ = index;
  setIcon(images_ && index >= 0 ? images_->Icon(index) : QIcon());
}

void TToolButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit MouseDown();
  QToolButton::mousePressEvent(event);
}

void TToolButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit MouseUp();
  // The click is raised inside the release.
  clickModifiers_ = event->modifiers();
  QToolButton::mouseReleaseEvent(event);
  clickModifiers_ = Qt::NoModifier;
}

void TToolButton::ClickWith(Qt::KeyboardModifiers modifiers) {
  clickModifiers_ = modifiers;
  click();
  clickModifiers_ = Qt::NoModifier;
}

TToolBar::TToolBar(const QString& name, const QString& caption, const TImageList* images,
                   QWidget* parent)
    : QWidget(parent), images_(images), layout_(new QHBoxLayout(this)) {
  setObjectName(name);
  setWindowTitle(caption);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->addStretch(1);
}

void TToolBar::AddControl(QWidget* control) {
  layout_->insertWidget(layout_->count() - 1, control);
}

TToolButton* TToolBar::AddButton(const QString& name, int imageIndex, const QString& hint) {
  auto* button = new TToolButton(name, images_, this);
  if (imageIndex >= 0) button->setImageIndex(imageIndex);
  if (!hint.isEmpty()) button->setToolTip(hint);
  AddControl(button);
  return button;
}

void TToolBar::AddSeparator(const QString& name) {
  auto* line = new QFrame(this);
  line->setObjectName(name);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setFixedSize(SeparatorWidth, ButtonSize.height());
  AddControl(line);
}

TControlBar::TControlBar(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
}

void TControlBar::AddBand(QWidget* band, QPoint at, QSize size) {
  band->setParent(this);
  band->setGeometry(QRect(at, size));
  bands_.push_back(QRect(at, size));
}

void TControlBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor light = palette().light().color();
  const QColor dark = palette().mid().color();
  for (const QRect& band : bands_) {
    const int x = band.left() - GripWidth + 4;
    for (int y = band.top() + 3; y < band.bottom() - 2; y += 3) {
      p.fillRect(x, y, 2, 2, dark);
      p.fillRect(x, y, 1, 1, light);
    }
  }
}

#include "app/layout/TempoDisplay.h"

#include <QFontMetrics>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {
// Long enough to read after the last change, short enough not to linger over the bar.
constexpr int MovingTipTime = 2000;  // ms
}  // namespace

TTempoDisplay::TTempoDisplay(QSlider* slider) : QObject(slider), slider_(slider) {
  setObjectName(QStringLiteral("TempoDisplay"));
  Changed(slider->value());
  connect(slider, &QSlider::valueChanged, this, &TTempoDisplay::Changed);
  // Only the user's own moves raise actions; a song that sets the tempo shows no tip.
  connect(slider, &QSlider::actionTriggered, this, &TTempoDisplay::Moved);
}

QString TTempoDisplay::Text(int tempo) {
  return QStringLiteral("tempo: %1 columns per minute").arg(tempo);
}

void TTempoDisplay::Show(QSlider& slider, int tempo) {
  {
    const QSignalBlocker quiet(&slider);
    slider.setValue(tempo);
  }
  slider.setToolTip(Text(slider.value()));
}

void TTempoDisplay::Changed(int value) { slider_->setToolTip(Text(value)); }

// The action is raised before the value follows the slider's position, so the tip reads
// the position. It stands just above the handle, clear of the pointer that drags it.
void TTempoDisplay::Moved() {
  QStyleOptionSlider option;
  option.initFrom(slider_);
  option.orientation = slider_->orientation();
  option.minimum = slider_->minimum();
  option.maximum = slider_->maximum();
  option.sliderPosition = slider_->sliderPosition();
  option.sliderValue = slider_->value();
  option.upsideDown = slider_->invertedAppearance();
  option.subControls = QStyle::SC_SliderHandle;
  const QRect handle = slider_->style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, slider_);
  // A tip is placed below and right of the point it is given, by this much.
  const QPoint tipOffset(2, 16);
  const QString text = Text(slider_->sliderPosition());
  const int frame = 2 * slider_->style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth) + 2;
  const QSize tip = QFontMetrics(QToolTip::font()).size(0, text) + QSize(frame, frame);
  const QPoint above(handle.center().x() - tip.width() / 2, -tip.height() - 2);
  QToolTip::showText(slider_->mapToGlobal(above) - tipOffset, text, slider_, QRect(),
                     MovingTipTime);
}

#pragma once

#include <QRect>
#include <QScrollBar>

// A scroll bar that repaints only where its handle was and is when its value changes: the
// style draws the groove the same all along, and playback moves the handle at every tick,
// where repainting the whole bar cost more than the score view.
class TScrollBar : public QScrollBar {
  Q_OBJECT

 public:
  explicit TScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  void sliderChange(SliderChange change) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect Handle() const;

  QRect painted_;  // the handle as last painted
};

#pragma once

#include <QWidget>

// The client area below the menu bar: a control bar at the top, the score view at the
// left edge (its centre keeping its proportional height) as wide as the area and the view
// allow, the scroll bar and a control bar at the bottom.
class TClientArea : public QWidget {
  Q_OBJECT

 public:
  // The designed client area: the view at (0, 56), the scroll bar and the lower control
  // bar below it.
  static constexpr int DesignedWidth = 385;
  static constexpr int DesignedHeight = 271;
  static constexpr int ControlBarHeight = 56;
  static constexpr int ScrollBarHeight = 15;
  static constexpr int ViewWidth = 385;  // at the designed size
  static constexpr int ViewHeight = 144;
  static constexpr int ViewTop = ControlBarHeight;

  TClientArea(QWidget* top, QWidget* view, QWidget* scrollBar, QWidget* bottom, QWidget* parent);

  QSize sizeHint() const override { return {DesignedWidth, DesignedHeight}; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget *top_, *view_, *scrollBar_, *bottom_;
};

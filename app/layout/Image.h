#pragma once

#include <QImage>
#include <QWidget>

// An image control: keeps one picture and repaints itself from it at logical pixels.
class TImage : public QWidget {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);

  const QImage& Picture() const { return picture_; }
  void setPicture(QImage picture);
  // Hands the control a new picture and gives back the one it held, so a caller that
  // composes into two buffers in turn never makes the control's copy detach.
  QImage SwapPicture(QImage picture);
  // As SwapPicture, for a picture that is the one held moved `dx` pixels sideways but for
  // `changed`: what is on the screen moves along, and only `changed` and what the move
  // uncovers are painted again.
  QImage SwapPicture(QImage picture, int dx, const QRegion& changed);

 signals:
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
  // A move with buttons held, just before its MouseMove; and the release of a button.
  void MouseDrag(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  // The control took another size.
  void Resized();
  void MouseLeave();
  // A wheel or touchpad over the control: its turn in eighths of a degree, and its pixels
  // where the device reports them.
  void MouseWheel(Qt::KeyboardModifiers shift, QPoint angle, QPoint pixels, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QImage picture_;
};

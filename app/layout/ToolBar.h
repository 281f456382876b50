#pragma once

#include <QToolButton>
#include <QWidget>
#include <vector>

class TImageList;
class QHBoxLayout;

// A flat tool button that shows one picture of its tool bar's image list; the handlers
// switch the picture by index.
class TToolButton : public QToolButton {
  Q_OBJECT

 public:
  TToolButton(const QString& name, const TImageList* images, QWidget* parent);

  int ImageIndex() const { return imageIndex_; }
  void setImageIndex(int index);
  const TImageList* Images() const { return images_; }

  // The keys held for the click being handled (a mouse click's own, or what ClickWith
  // gave); none outside a click.
  Qt::KeyboardModifiers ClickModifiers() const { return clickModifiers_; }
  // A click as if made with these keys held.
  void ClickWith(Qt::KeyboardModifiers modifiers);

 signals:
  void MouseDown();
  void MouseUp();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const TImageList* images_;
  int imageIndex_ = -1;
  Qt::KeyboardModifiers clickModifiers_ = Qt::NoModifier;
};

// A flat, non-wrapping row of tool buttons and separators, laid out without gaps.
class TToolBar : public QWidget {
  Q_OBJECT

 public:
  TToolBar(const QString& name, const QString& caption, const TImageList* images, QWidget* parent);

  TToolButton* AddButton(const QString& name, int imageIndex, const QString& hint = {});
  void AddSeparator(const QString& name);
  void AddControl(QWidget* control);

 private:
  const TImageList* images_;
  QHBoxLayout* layout_;
};

// Holds tool bars as bands, each with a grip at its left.
class TControlBar : public QWidget {
  Q_OBJECT

 public:
  TControlBar(const QString& name, QWidget* parent);
  void AddBand(QWidget* band, QPoint at, QSize size);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QRect> bands_;
};

#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QImage>

// An icon of pixel art that stays crisp on a scaled screen: every size is the art scaled
// by a whole factor with nearest-neighbour sampling, never a smoothed one. A fractional
// scale takes the nearest whole factor. The disabled and selected looks are the style's,
// made from the art before it is scaled, so they stay as crisp.
class TPixelArtIconEngine : public QIconEngine {
 public:
  explicit TPixelArtIconEngine(QImage art);

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override;
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
  QIconEngine* clone() const override;
  QString key() const override;

 private:
  QPixmap Scaled(int factor, QIcon::Mode mode) const;
  int FittingFactor(const QSize& size) const;

  QImage art_;
};

QIcon PixelArtIcon(const QImage& art);

// `art` scaled by a whole factor, each pixel becoming a factor x factor block.
QImage ScalePixelArt(const QImage& art, int factor);

#include "app/layout/PixelArtIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// The sizes a window manager or a launcher is offered, as whole factors of the art.
constexpr int OfferedFactors[] = {1, 2, 3, 4};
}  // namespace

QImage ScalePixelArt(const QImage& art, int factor) {
  return art.scaled(art.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

TPixelArtIconEngine::TPixelArtIconEngine(QImage art) : art_(std::move(art)) {}

int TPixelArtIconEngine::FittingFactor(const QSize& size) const {
  if (art_.isNull()) return 1;
  return std::max(1, std::min(size.width() / art_.width(), size.height() / art_.height()));
}

QPixmap TPixelArtIconEngine::Scaled(int factor, QIcon::Mode mode) const {
  QPixmap art = QPixmap::fromImage(art_);
  if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QStyleOption option;
    option.palette = QGuiApplication::palette();
    art = QApplication::style()->generatedIconPixmap(mode, art, &option);
  }
  if (factor == 1) return art;
  return QPixmap::fromImage(ScalePixelArt(art.toImage(), factor));
}

QPixmap TPixelArtIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) {
  return Scaled(FittingFactor(size), mode);
}

QPixmap TPixelArtIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State,
                                          qreal scale) {
  // `size` is in device pixels; the art's logical size times the nearest whole scale.
  const int factor = std::max(1, static_cast<int>(std::lround(scale)));
  return Scaled(std::max(1, FittingFactor(size / std::max(scale, 1.0)) * factor), mode);
}

void TPixelArtIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                                QIcon::State state) {
  const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
  const QPixmap pm = scaledPixmap(rect.size() * dpr, mode, state, dpr);
  const QSize logical = art_.size() * FittingFactor(rect.size());
  QRect target(QPoint(0, 0), logical);
  target.moveCenter(rect.center());
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter->drawPixmap(target, pm);
  painter->restore();
}

QSize TPixelArtIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
  return art_.size() * FittingFactor(size);
}

QList<QSize> TPixelArtIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
  QList<QSize> sizes;
  for (int factor : OfferedFactors) sizes.push_back(art_.size() * factor);
  return sizes;
}

QIconEngine* TPixelArtIconEngine::clone() const { return new TPixelArtIconEngine(art_); }

QString TPixelArtIconEngine::key() const { return QStringLiteral("TPixelArtIconEngine"); }

QIcon PixelArtIcon(const QImage& art) { return QIcon(new TPixelArtIconEngine(art)); }

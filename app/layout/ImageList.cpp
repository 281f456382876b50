#include "app/layout/ImageList.h"

#include <stdexcept>

#include "app/layout/PixelArtIcon.h"

QImage LoadPicture(const QString& name) {
  QImage image(QStringLiteral(":/pictures/%1.xpm").arg(name));
  if (image.isNull()) throw std::runtime_error("missing picture " + name.toStdString());
  return image;
}

TImageList::TImageList(const QString& name, int width, int height, QObject* parent)
    : QObject(parent) {
  setObjectName(name);
  const QImage strip = LoadPicture(name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int x = 0; x + width <= strip.width(); x += width)
    images_.push_back(strip.copy(x, 0, width, height));
}

QIcon TImageList::Icon(int index) const { return PixelArtIcon(Image(index)); }

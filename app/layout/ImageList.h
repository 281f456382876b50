#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>
#include <vector>

// A list of equally sized pictures with transparency masks, cut from one strip of
// pixel art in the picture resource.
class TImageList : public QObject {
  Q_OBJECT

 public:
  // Loads ":/pictures/<name>.xpm" and cuts it into cells of width x height.
  TImageList(const QString& name, int width, int height, QObject* parent);

  int Count() const { return static_cast<int>(images_.size()); }
  // Premultiplied ARGB, the mask as alpha; the same picture a button shows.
  const QImage& Image(int index) const { return images_.at(static_cast<size_t>(index)); }
  QIcon Icon(int index) const;

 private:
  std::vector<QImage> images_;
};

// Loads ":/pictures/<name>.xpm" as it is stored.
QImage LoadPicture(const QString& name);

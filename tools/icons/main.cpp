// pomvik-icons OUT: writes the program's icon for the hicolor theme, its pixel art scaled
// by whole factors with nearest-neighbour sampling, as OUT/<n>x<n>/apps/pomviksequencer.png.
#include <QDir>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: pomvik-icons OUT\n", stderr);
    return 2;
  }
  const QImage art =
      QImage(QStringLiteral(":/pictures/AppIcon.xpm")).convertToFormat(QImage::Format_ARGB32);
  if (art.isNull()) {
    std::fputs("pomvik-icons: the icon's picture is missing\n", stderr);
    return 1;
  }
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const int factor = size / art.width();
    const QImage icon =
        art.scaled(art.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QString folder =
        QStringLiteral("%1/%2x%2/apps").arg(QFile::decodeName(argv[1])).arg(size);
    if (!QDir().mkpath(folder) || !icon.save(folder + QStringLiteral("/pomviksequencer.png"))) {
      std::fprintf(stderr, "pomvik-icons: cannot write %s\n", qUtf8Printable(folder));
      return 1;
    }
  }
  return 0;
}

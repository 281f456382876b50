#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QString>

namespace {

QImage load(const char* name) {
  QImage img(QStringLiteral(":/pictures/%1.xpm").arg(QLatin1String(name)));
  return img.convertToFormat(QImage::Format_ARGB32);
}

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

TEST(Pictures, AllLoadWithTheirSizes) {
  const struct {
    const char* name;
    QSize size;
  } pictures[] = {
      {"CommonImages", {80, 16}}, {"PlayerImages", {96, 16}}, {"etcImages", {224, 16}},
      {"SoundImages", {288, 16}}, {"PomvikImages", {80, 22}}, {"BGImage", {1, 144}},
      {"ToonImage", {24, 82}},    {"CounterImage", {1, 107}}, {"LineImage", {1, 107}},
      {"LoopFImage", {13, 66}},   {"LoopLImage", {13, 66}},   {"LastImage", {8, 66}},
      {"CLineImage", {24, 2}},    {"AppIcon", {16, 16}},
  };
  for (const auto& p : pictures) {
    const QImage img = load(p.name);
    ASSERT_FALSE(img.isNull()) << p.name;
    EXPECT_EQ(img.size(), p.size) << p.name;
  }
}

TEST(Pictures, BackgroundColumnHasBandStaffAndLines) {
  const QImage bg = load("BGImage");
  const QSet<int> lineRows{46, 47, 62, 63, 78, 79, 94, 95, 110, 111};
  for (int y = 0; y < bg.height(); ++y) {
    const QRgb want = y < 32 ? White : lineRows.contains(y) ? Black : qRgb(205, 238, 230);
    EXPECT_EQ(bg.pixel(0, y), want) << "row " << y;
  }
}

TEST(Pictures, DottedLinesAlternateWithWhite) {
  const struct {
    const char* name;
    QRgb dot;
  } lines[] = {{"CounterImage", qRgb(255, 148, 0)}, {"LineImage", qRgb(164, 197, 180)}};
  for (const auto& l : lines) {
    const QImage img = load(l.name);
    for (int y = 0; y < img.height(); ++y)
      EXPECT_EQ(img.pixel(0, y), y % 2 == 0 ? l.dot : White) << l.name << " row " << y;
  }
}

TEST(Pictures, MonochromePicturesAreBlackAndWhite) {
  for (const char* name : {"ToonImage", "LoopFImage", "LoopLImage", "LastImage", "CLineImage"}) {
    const QImage img = load(name);
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y));
    EXPECT_TRUE(colours.contains(Black)) << name;
    colours.remove(Black);
    colours.remove(White);
    EXPECT_TRUE(colours.isEmpty()) << name << " holds a colour other than black and white";
  }
  const QImage ledger = load("CLineImage");
  for (int y = 0; y < ledger.height(); ++y)
    for (int x = 0; x < ledger.width(); ++x) EXPECT_EQ(ledger.pixel(x, y), Black) << x << "," << y;
}

bool columnIsBlack(const QImage& img, int x) {
  for (int y = 0; y < img.height(); ++y)
    if (img.pixel(x, y) != Black) return false;
  return true;
}

// The view places these by their thin bar, so it must sit on the column line.
TEST(Pictures, BarSignsLineUpWithTheColumn) {
  const QImage first = load("LoopFImage");
  const QImage last = load("LoopLImage");
  const QImage end = load("LastImage");
  EXPECT_TRUE(columnIsBlack(last, 7));
  EXPECT_TRUE(columnIsBlack(last, 12));
  EXPECT_FALSE(columnIsBlack(last, 8));
  EXPECT_TRUE(columnIsBlack(end, 2));
  EXPECT_FALSE(columnIsBlack(end, 3));
  EXPECT_TRUE(columnIsBlack(end, 7));
  EXPECT_TRUE(columnIsBlack(first, 0));
  EXPECT_EQ(first.mirrored(true, false), last);
  // the repeat dots sit in the second and third staff spaces
  for (int y : {24, 40}) {
    EXPECT_EQ(last.pixel(3, y), Black) << y;
    EXPECT_EQ(last.pixel(3, y - 8), White) << y;
  }
}

// The curl must wrap the G line and the clef must reach past both outer lines.
TEST(Pictures, ClefSpansTheStaff) {
  const QImage clef = load("ToonImage");
  auto rowInk = [&](int y) {
    int n = 0;
    for (int x = 0; x < clef.width(); ++x) n += clef.pixel(x, y) == Black ? 1 : 0;
    return n;
  };
  EXPECT_GT(rowInk(3), 0);
  EXPECT_GT(rowInk(76), 0);
  // a row along the G line crosses the bowl, the curl, the stem and the bowl again
  int runs = 0;
  for (int x = 0; x < clef.width(); ++x)
    if (clef.pixel(x, 54) == Black && (x == 0 || clef.pixel(x - 1, 54) != Black)) ++runs;
  EXPECT_GE(runs, 4);
}

void checkStrip(const char* name, int cellWidth, int cells) {
  const QImage strip = load(name);
  ASSERT_EQ(strip.width(), cellWidth * cells) << name;
  QList<QImage> seen;
  for (int i = 0; i < cells; ++i) {
    const QImage cell = strip.copy(i * cellWidth, 0, cellWidth, strip.height());
    int clear = 0;
    for (int y = 0; y < cell.height(); ++y)
      for (int x = 0; x < cell.width(); ++x) clear += qAlpha(cell.pixel(x, y)) == 0 ? 1 : 0;
    EXPECT_GT(clear, 0) << name << " cell " << i << " has no transparent pixel";
    EXPECT_LT(clear, cell.width() * cell.height()) << name << " cell " << i << " is empty";
    for (int j = 0; j < seen.size(); ++j)
      EXPECT_NE(cell, seen[j]) << name << " cells " << j << " and " << i << " are the same";
    seen.append(cell);
  }
}

TEST(Pictures, ImageListCellsAreMaskedAndDistinct) {
  checkStrip("CommonImages", 16, 5);
  checkStrip("PlayerImages", 16, 6);
  checkStrip("etcImages", 16, 14);
  checkStrip("SoundImages", 16, 18);
  checkStrip("PomvikImages", 16, 5);
}

TEST(Pictures, CellFrameLeavesTheMiddleOpen) {
  const QImage frame = load("SoundImages").copy(17 * 16, 0, 16, 16);
  for (int y = 4; y < 12; ++y)
    for (int x = 4; x < 12; ++x) EXPECT_EQ(qAlpha(frame.pixel(x, y)), 0) << x << "," << y;
  EXPECT_EQ(frame.pixel(0, 0), qRgb(255, 148, 0));
  EXPECT_EQ(frame.pixel(15, 15), qRgb(255, 148, 0));
}

TEST(Pictures, WalkingStepsDiffer) {
  const QImage walker = load("PomvikImages");
  EXPECT_NE(walker.copy(0, 0, 16, 22), walker.copy(16, 0, 16, 22));
}

TEST(Pictures, AppIconFitsSixteenColours) {
  const QImage icon = load("AppIcon");
  QSet<QRgb> colours;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) colours.insert(icon.pixel(x, y));
  EXPECT_LE(colours.size(), 16);
  EXPECT_TRUE(colours.contains(Black));
}

}  // namespace

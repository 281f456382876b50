// The window on a scaled screen (the scale comes from the command line, see FormMain).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QWindow>

#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/PixelArtIcon.h"
#include "app/layout/ToolBar.h"
#include "app/layout/WindowPlace.h"
#include "tests/support/FormFixture.h"

namespace {

QSet<QRgb> OpaqueColours(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) == 255) colours.insert(image.pixel(x, y) | 0xff000000u);
  return colours;
}

// The picture as the style shows it on a button in this state, at its own size.
QImage AsShown(const QImage& art, const QWidget& button) {
  if (button.isEnabled()) return art;
  QStyleOption option;
  option.palette = QGuiApplication::palette();
  return QApplication::style()
      ->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(art), &option)
      .toImage();
}

class Scaled : public ::testing::Test {
 protected:
  void SetUp() override {
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    scale = f.devicePixelRatio();
    ASSERT_GE(scale, 2) << "run with --scale=2 or more";
  }
  TFormFixture fx;
  TForm1& f = *fx.Form;
  qreal scale = 1;
};

TEST_F(Scaled, EveryToolBarPictureIsPaintedInTheColoursOfItsArtOnly) {
  const QList<TToolButton*> buttons = f.findChildren<TToolButton*>();
  ASSERT_EQ(buttons.size(), 31);
  QImage clear(16, 16, QImage::Format_ARGB32_Premultiplied);
  clear.fill(Qt::transparent);
  const QIcon blank = PixelArtIcon(clear);
  for (TToolButton* b : buttons) {
    const TImageList* list = b->Images();
    const int shown = b->ImageIndex();
    for (int i = 0; i < list->Count(); ++i) {
      const QString what = b->objectName() + QStringLiteral(" picture %1").arg(i);
      b->setImageIndex(i);
      const QImage painted = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
      b->setIcon(blank);
      const QImage bare = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QImage art = AsShown(list->Image(i), *b);
      const QSet<QRgb> colours = OpaqueColours(art);
      ASSERT_EQ(painted.size(), b->size() * scale) << what.toStdString();
      qsizetype changed = 0, foreign = 0;
      for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
          if (painted.pixel(x, y) != bare.pixel(x, y)) {
            ++changed;
            if (!colours.contains(painted.pixel(x, y))) ++foreign;
          }
      EXPECT_GT(changed, 0) << what.toStdString();
      EXPECT_EQ(foreign, 0) << what.toStdString() << ": " << changed << " pixels changed";
    }
    b->setImageIndex(shown);
  }
}

TEST_F(Scaled, TheScoreViewReachesTheScreenPixelForPixelAndHitsLogicalPixels) {
  // The view is composed at the screen's whole scale, so painting it scales nothing.
  const QImage& picture = Control<TImage>(f, "MainImage").Picture();
  EXPECT_EQ(picture.devicePixelRatio(), qRound(scale));
  EXPECT_EQ(Control<TImage>(f, "MainImage").grab().toImage().convertToFormat(picture.format()),
            picture);

  // 99, 44 in the view's own pixels is row 2, column 2, whatever the screen's pixels.
  QTest::mouseClick(f.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    Control<TImage>(f, "MainImage").mapTo(&f, QPoint(99, 44)));
  EXPECT_EQ(f.Song().Cell(2, 2), 1);
}

TEST_F(Scaled, TheWindowStartsWithinTheScreensAvailableArea) {
  const QRect area = f.screen()->availableGeometry();
  const QRect frame = f.frameGeometry();
  EXPECT_TRUE(area.contains(frame.topLeft()));
  if (frame.width() <= area.width() && frame.height() <= area.height()) {
    EXPECT_TRUE(area.contains(frame)) << "the window fits, so it lies wholly on the screen";
  }

  // A frame too far right or down moves back just enough; one larger than the area keeps
  // its top left corner on it.
  const QRect screen(0, 0, 512, 384);
  EXPECT_EQ(KeepWithin(QRect(189, 385, 393, 317), QRect(0, 0, 1024, 768)), QPoint(189, 385));
  EXPECT_EQ(KeepWithin(QRect(189, 385, 393, 317), screen), QPoint(119, 67));
  EXPECT_EQ(KeepWithin(QRect(189, 385, 600, 400), QRect(10, 20, 512, 384)), QPoint(10, 20));
}

}  // namespace

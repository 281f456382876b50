#include <gtest/gtest.h>

#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <vector>

#include "app/Raster.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"
#include "core/ScoreGeometry.h"
#include "tests/support/FormFixture.h"

namespace {

// Pixel checks on the composed view, against the pictures the view is made of.
class ScoreView : public ::testing::Test {
 protected:
  TFormFixture fx;
  TForm1& f = *fx.Form;
  const TFormControls c = FindControls(f);

  void Draw(int P, int X = -1, int Y = -1, int Sound = -1) {
    c.ScrollBar->setValue(P);
    f.DrawScore(X, Y, Sound);
  }
  QRgb View(int x, int y) const { return c.MainImage->Picture().pixel(x, y); }
  QRgb Background(int y) const { return c.BGImage->Picture().pixel(0, y); }

  // Every opaque pixel of `picture` that lands inside the view shows at (x0, y0) + its place;
  // with `whiteLeftOut`, white pixels are skipped as the monochrome signs draw them.
  ::testing::AssertionResult Shows(const QImage& picture, int x0, int y0,
                                   bool whiteLeftOut = false) const {
    return ShowsIn(c.MainImage->Picture(), picture, x0, y0, whiteLeftOut);
  }
  static ::testing::AssertionResult ShowsIn(const QImage& view, const QImage& picture, int x0,
                                            int y0, bool whiteLeftOut = false) {
    int checked = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QColor c = picture.pixelColor(x, y);
        if (c.alpha() < 255 || (whiteLeftOut && c.rgb() == qRgb(255, 255, 255))) continue;
        const int vx = x0 + x, vy = y0 + y;
        if (vx < 0 || vy < 0 || vx >= view.width() || vy >= view.height()) continue;
        ++checked;
        if (view.pixel(vx, vy) != c.rgb())
          return ::testing::AssertionFailure()
                 << "at (" << vx << ", " << vy << ") view " << std::hex << view.pixel(vx, vy)
                 << " picture " << c.rgb();
      }
    if (checked == 0) return ::testing::AssertionFailure() << "nothing of it is in view";
    return ::testing::AssertionSuccess();
  }
  // The view's pictures, for a renderer of the test's own.
  TScorePictures Pictures() const {
    return {c.BGImage->Picture(),   c.ToonImage->Picture(),  c.CounterImage->Picture(),
            c.LineImage->Picture(), c.LoopFImage->Picture(), c.LoopLImage->Picture(),
            c.LastImage->Picture(), c.CLineImage->Picture(), c.SoundImages,
            c.PomvikImages};
  }
  ::testing::AssertionResult Icon(int index, int x, int y) const {
    return Shows(c.SoundImages->Image(index), x, y);
  }
  // The column x holds only the background from y0 to y1.
  // A monochrome sign drawn at (x0, y0): its black pixels show, its white ones let the
  // background through. Only pixels left of the first column line (x < 82 - P) are free of
  // other drawing, so the check stops there.
  ::testing::AssertionResult Signed(const QImage& sign, int x0, int y0) const {
    const int P = c.ScrollBar->value();
    int black = 0;
    for (int y = 0; y < sign.height(); ++y)
      for (int x = 0; x < sign.width(); ++x) {
        const int vx = x0 + x, vy = y0 + y;
        if (vx < 0 || vx >= 385 || (vx >= 82 - P && x0 < 82 - P)) continue;
        const bool ink = sign.pixel(x, y) == qRgb(0, 0, 0);
        black += ink;
        const QRgb want = ink ? qRgb(0, 0, 0) : Background(vy);
        if (View(vx, vy) != want && !(x0 >= 82 - P && !ink))
          return ::testing::AssertionFailure() << "at (" << vx << ", " << vy << ")";
      }
    if (black == 0) return ::testing::AssertionFailure() << "no ink of the sign in view";
    return ::testing::AssertionSuccess();
  }
  bool Plain(int x, int y0, int y1) const {
    for (int y = y0; y <= y1; ++y)
      if (View(x, y) != Background(y)) return false;
    return true;
  }
  int Inked(QRect r) const {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (qGray(View(x, y)) < 128) ++n;
    return n;
  }
};

TEST_F(ScoreView, EmptySongAtTheStart) {
  Draw(0);
  EXPECT_EQ(c.MainImage->Picture().size(), QSize(385, 144));
  EXPECT_TRUE(Shows(c.ToonImage->Picture(), 1, 40, true));
  EXPECT_TRUE(Plain(0, 0, 143));
  // Bar lines below the numbers' band, beat lines in between.
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 6, 1, 101), 82, 38));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), 114, 32));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), 146, 32));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), 178, 32));
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 6, 1, 101), 210, 38));
  EXPECT_TRUE(Plain(98, 0, 143));
  // "1" and "2" written from (77, 20) and (205, 20); nothing else inked in the white band.
  EXPECT_GT(Inked(QRect(77, 20, 10, 12)), 3);
  EXPECT_GT(Inked(QRect(205, 20, 10, 12)), 3);
  EXPECT_EQ(Inked(QRect(0, 0, 385, 20)), 0);
  EXPECT_EQ(Inked(QRect(87, 20, 110, 12)), 0);
  // No end sign: the last column in view is 10, far from 97.
  EXPECT_TRUE(Plain(372, 46, 111) || Shows(c.LineImage->Picture(), 370, 32));
  // Staff lines run through the whole width.
  EXPECT_EQ(View(300, 46), qRgb(0, 0, 0));
  EXPECT_EQ(View(300, 111), qRgb(0, 0, 0));
}

TEST_F(ScoreView, ClefScrollsOutAfter24Pixels) {
  const QImage toon = c.ToonImage->Picture();
  // Its rightmost ink is column 22, at the view's left edge when P = 23.
  for (int P : {0, 9, 23}) {
    Draw(P);
    EXPECT_TRUE(Signed(toon, 1 - P, 40)) << "P = " << P;
  }
  Draw(24);
  EXPECT_TRUE(Plain(0, 40, 121));
}

TEST_F(ScoreView, RepeatSignsWithLoopOn) {
  c.LoopBtn->click();
  SetEndColumn(f, 10);
  Draw(0);
  EXPECT_TRUE(Signed(c.LoopFImage->Picture(), 42, 46));
  EXPECT_TRUE(Signed(c.LoopLImage->Picture(), 370 - 7, 46));
  // Its rightmost ink is column 10, at the view's left edge when P = 52.
  for (int P : {30, 52}) {
    Draw(P);
    EXPECT_TRUE(Signed(c.LoopFImage->Picture(), 42 - P, 46)) << "P = " << P;
  }
  Draw(53);
  EXPECT_TRUE(Plain(0, 46, 111));
}

TEST_F(ScoreView, EndSignHidesTheNotesFromItsColumnOn) {
  SetEndColumn(f, 10);
  SetCell(f, 5, 9, 3);
  SetCell(f, 5, 12, 4);
  Draw(100);
  EXPECT_TRUE(Icon(2, 32 * 9 + 50 - 100 - 8, 64));
  EXPECT_TRUE(Shows(c.LastImage->Picture(), 370 - 100 - 2, 46, true));
  // Column 12 keeps its note in the grid but shows only its beat line.
  const int x12 = 32 * 12 + 50 - 100;
  EXPECT_FALSE(Icon(3, x12 - 8, 64));
  EXPECT_TRUE(Plain(x12 - 8, 32, 143));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), x12, 32));
}

TEST_F(ScoreView, LedgerLinesBelowTheStaff) {
  SetCell(f, 12, 2, 1);
  SetCell(f, 13, 2, 2);
  SetCell(f, 11, 3, 3);
  SetCell(f, 12, 4, 4);
  Draw(0);
  // Column 2 at x = 114: the line spans x 102..125 at y 128 where no icon covers it.
  EXPECT_EQ(View(102, 128), qRgb(0, 0, 0));
  EXPECT_EQ(View(125, 129), qRgb(0, 0, 0));
  EXPECT_TRUE(Icon(1, 106, 128));
  // Row 13 paints over the lower half of row 12's note.
  EXPECT_TRUE(Shows(c.SoundImages->Image(0).copy(0, 0, 16, 8), 106, 120));
  // A row-12 note alone (column 4 at x = 178) has its line too.
  EXPECT_EQ(View(166, 128), qRgb(0, 0, 0));
  EXPECT_EQ(View(189, 129), qRgb(0, 0, 0));
  EXPECT_TRUE(Icon(3, 170, 120));
  // Row 11 (column 3 at x = 146) gets no ledger line.
  EXPECT_TRUE(Icon(2, 138, 112));
  EXPECT_EQ(View(134, 128), Background(128));
  EXPECT_EQ(View(157, 129), Background(129));
}

TEST_F(ScoreView, PointerPreviewMarksTheCellAClickWouldHit) {
  SoundButton(f, 5).click();
  Draw(0, 82, 40, 5);
  EXPECT_TRUE(Icon(4, 74, 32));  // the tool's icon on the pointer, over the frame
  // Frame corners show where the tool icon is transparent.
  const QImage frame = c.SoundImages->Image(17);
  const QImage tool = c.SoundImages->Image(4);
  int framePixels = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (qAlpha(frame.pixel(x, y)) == 255 && qAlpha(tool.pixel(x, y)) == 0) {
        EXPECT_EQ(View(74 + x, 32 + y), frame.pixel(x, y));
        ++framePixels;
      }
  EXPECT_GT(framePixels, 0);

  // Y = 36 rounds to row 0: no frame. Y = 37 is row 1, Y = 44 (1.5) rounds to row 2.
  const auto frameAt = [&](int x0, int y0, int X, int Y) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const int tx = x0 + x - (X - 8), ty = y0 + y - (Y - 8);
        const bool underTool =
            tx >= 0 && ty >= 0 && tx < 16 && ty < 16 && qAlpha(tool.pixel(tx, ty)) > 0;
        if (qAlpha(frame.pixel(x, y)) == 255 && !underTool &&
            View(x0 + x, y0 + y) != frame.pixel(x, y))
          return false;
      }
    return true;
  };
  Draw(0, 82, 36, 5);
  EXPECT_FALSE(frameAt(74, 24, 82, 36));
  EXPECT_FALSE(frameAt(74, 32, 82, 36));
  Draw(0, 90, 37, 5);
  EXPECT_TRUE(frameAt(74, 32, 90, 37));
  Draw(0, 90, 44, 5);
  EXPECT_TRUE(frameAt(74, 40, 90, 44));
  Draw(0, 98, 60, 5);  // x 98 (0.5) rounds to column 1, y 60 (3.5) to row 4
  EXPECT_TRUE(frameAt(74, 56, 98, 60));
  Draw(0, 99, 60, 5);
  EXPECT_TRUE(frameAt(106, 56, 99, 60));
}

TEST_F(ScoreView, RowFourteenPreviewsOnlyTheLedgerLine) {
  SoundButton(f, 1).click();
  Draw(0);
  const QImage plain = c.MainImage->Picture();
  Draw(0, 146, 142, 1);  // column 3, row Nearest(13.75) = 14
  EXPECT_EQ(View(32 * 3 + 38, 128), qRgb(0, 0, 0));
  EXPECT_EQ(View(32 * 3 + 38 + 23, 129), qRgb(0, 0, 0));
  EXPECT_TRUE(Icon(0, 138, 134));
  // With the tool's icon off to the right (x 162 still rounds to column 3), the cell a
  // fourteenth row would have below the staff shows no frame.
  Draw(0, 162, 142, 1);
  EXPECT_EQ(c.MainImage->Picture().copy(138, 130, 16, 14), plain.copy(138, 130, 16, 14));
  // With the end-marker tool there is no ledger line preview.
  SoundButton(f, 16).click();
  Draw(0, 146, 142, 16);
  EXPECT_EQ(View(32 * 3 + 38, 128), Background(128));
}

TEST_F(ScoreView, BarNumbersIn44And34) {
  // 4/4: bar 24 starts at column 93; column 97 starts bar 25, drawn without a number.
  Draw(2780);
  constexpr int x93 = 32 * 93 + 50 - 2780, x97 = 32 * 97 + 50 - 2780;
  static_assert(x97 == 374);
  EXPECT_GT(Inked(QRect(x93 - 5, 20, 14, 12)), 3);
  EXPECT_EQ(Inked(QRect(x97 - 5, 20, 11, 12)), 0);
  // The end sign covers the bar line of column 97 on the staff; above and below it shows.
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 6, 1, 8), x97, 38));
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 80, 1, 27), x97, 112));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), 342, 32));  // column 96
  EXPECT_TRUE(Shows(c.LastImage->Picture(), x97 - 2, 46, true));

  // 3/4: bar 32 starts at column 94, column 97 would be bar 33 and has no number.
  c.TimeBtn34->click();
  const int x94 = 32 * 94 + 50 - 2780;
  EXPECT_GT(Inked(QRect(x94 - 5, 20, 14, 12)), 3);
  EXPECT_EQ(Inked(QRect(x97 - 5, 20, 11, 12)), 0);
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 6, 1, 101), x94, 38));
  EXPECT_TRUE(Shows(c.LineImage->Picture(), x93, 32));
}

TEST_F(ScoreView, TimeSignatureSwitchRedrawsAtOnce) {
  SetCell(f, 1, 5, 15);
  Draw(0);
  const int x5 = 32 * 5 + 50;
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 16, 1, 91), x5, 48));  // below the note
  EXPECT_TRUE(Icon(14, x5 - 8, 32));
  c.TimeBtn34->click();
  EXPECT_TRUE(Shows(c.LineImage->Picture().copy(0, 16, 1, 91), x5, 48));  // no bar start in 3/4
  EXPECT_TRUE(Shows(c.CounterImage->Picture().copy(0, 6, 1, 101), 32 * 4 + 50, 38));
  EXPECT_TRUE(Icon(14, x5 - 8, 32));
}

// Its two poses, and the window drawing it on each tick the timer shows while the song
// walks on the clock (no device here), the view following it; stopped, it is gone.
TEST_F(ScoreView, WalkingFigureTakesTwoPoses) {
  TScoreRenderer renderer(Pictures());
  const auto drawn = [&](bool playing, int32_t tick) {
    QImage view;
    renderer.Compose(view, QSize(385, 144), 1.0,
                     {&f.Song(), 0, false, true, playing, tick, 1, std::nullopt}, -1, -1, -1);
    return view;
  };
  EXPECT_TRUE(ShowsIn(drawn(true, 3), c.PomvikImages->Image(1), 16 * 3 + 50, 10));
  EXPECT_TRUE(ShowsIn(drawn(true, 4), c.PomvikImages->Image(0), 16 * 4 + 50, 11));
  EXPECT_FALSE(ShowsIn(drawn(false, 4), c.PomvikImages->Image(0), 16 * 4 + 50, 11));

  const auto standsOn = [&](int32_t tick) {
    const bool odd = tick % 2 != 0;
    return Shows(c.PomvikImages->Image(odd ? 1 : 0), FigureX(tick, c.ScrollBar->value()),
                 odd ? 10 : 11);
  };
  std::vector<int32_t> shown;
  QObject::connect(c.Timer, &QTimer::timeout, [&] {
    // The position is already the one after the tick drawn.
    const int32_t tick = f.PlayPosition().PlayTick - 1;
    if (tick < 1) return;  // nothing heard yet
    EXPECT_TRUE(standsOn(tick)) << "tick " << tick;
    shown.push_back(tick);
  });
  c.PlayBtn->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 4; }, 10000));
  c.StopBtn->click();
  f.DrawScore(-1, -1, -1);
  EXPECT_FALSE(standsOn(shown.back()));
}

TEST_F(ScoreView, ScrollingAndResizingRedraw) {
  SetCell(f, 4, 2, 6);
  f.DrawScore(-1, -1, -1);
  c.ScrollBar->setValue(10);  // the scroll bar's change redraws by itself
  EXPECT_TRUE(Icon(5, 32 * 2 + 50 - 10 - 8, 56));
  // So does a change of the window's size.
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  SetCell(f, 6, 3, 7);
  EXPECT_FALSE(Icon(6, 32 * 3 + 50 - 10 - 8, 72));
  f.resize(f.width() + 40, f.height());
  EXPECT_TRUE(Icon(6, 32 * 3 + 50 - 10 - 8, 72));
}

TEST_F(ScoreView, ComposesAtTheScreensScale) {
  SetCell(f, 1, 1, 1);
  c.ScrollBar->setValue(0);
  f.DrawScore(-1, -1, -1);
  // Drawn again on a 2x screen the picture has twice the pixels, each art pixel a 2x2 block.
  TScoreRenderer renderer(Pictures());
  QImage twice;
  TScoreViewState state{&f.Song(), 0, false, true, false, 0, 1, std::nullopt};
  renderer.Compose(twice, QSize(385, 144), 2.0, state, -1, -1, -1);
  EXPECT_EQ(twice.size(), QSize(770, 288));
  const QImage once = c.MainImage->Picture();
  for (int y = 36; y < 60; ++y)
    for (int x = 70; x < 95; ++x)
      for (int d = 0; d < 4; ++d)
        ASSERT_EQ(twice.pixel(2 * x + d % 2, 2 * y + d / 2), once.pixel(x, y)) << x << "," << y;
}

// Blending several pixels at once, or a band straight onto one-colour rows, gives the very
// pixels a blend one at a time gives: premultiplied source over destination, rounded.
TEST(Raster, BlendsAsOnePixelAtATimeWould) {
  const auto over = [](QRgb src, QRgb dst) {
    QRgb out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t s = (src >> shift) & 255, d = (dst >> shift) & 255, a = src >> 24;
      const uint32_t t = d * (255 - a);
      out |= (s + ((t + (t >> 8) + 128) >> 8)) << shift;
    }
    return out;
  };
  uint32_t seed = 12345;
  const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  QImage source(9, 256, QImage::Format_ARGB32_Premultiplied);
  QImage target(13, 256, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 9; ++x) {
      const int alpha = (y + 37 * x) % 256;  // every alpha in every column
      source.setPixel(x, y, qPremultiply(qRgba(next() & 255, next() & 255, next() & 255, alpha)));
    }
    for (int x = 0; x < 13; ++x) target.setPixel(x, y, qPremultiply(next() | 0xFF000000u));
  }
  for (int x0 = -2; x0 <= 6; ++x0) {
    QImage blended = target;
    BlendOver(blended, source, x0, 0, 1);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 13; ++x) {
        const int sx = x - x0;
        const QRgb expected =
            sx >= 0 && sx < 9 ? over(source.pixel(sx, y), target.pixel(x, y)) : target.pixel(x, y);
        ASSERT_EQ(blended.pixel(x, y), expected) << x0 << ": " << x << "," << y;
      }
  }

  // A colour over rows of one colour each, filled, against the same blended pixel by pixel.
  std::vector<QRgb> rows;
  for (int y = 0; y < 256; ++y) rows.push_back(target.pixel(0, y));
  const QRgb band = qPremultiply(qRgba(40, 110, 230, 70));
  QImage filled = target;
  const TRasterTarget raster = RasterTargetOf(filled);
  FillRows(raster, rows, 0, 256);
  FillRows(raster, OverColours(band, rows), 10, 200, 3, 11);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 13; ++x) {
      const bool inBand = y >= 10 && y < 200 && x >= 3 && x < 11;
      ASSERT_EQ(filled.pixel(x, y),
                inBand ? over(band, rows[static_cast<size_t>(y)]) : rows[static_cast<size_t>(y)])
          << x << "," << y;
    }
}

}  // namespace

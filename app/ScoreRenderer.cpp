#include "app/ScoreRenderer.h"

#include <QPainter>
#include <cmath>

#include "app/Raster.h"
#include "app/layout/ImageList.h"
#include "app/layout/PictureIndex.h"
#include "core/NoteEditing.h"
#include "core/ScoreGeometry.h"

namespace {
constexpr QImage::Format ViewFormat = QImage::Format_ARGB32_Premultiplied;
// The selected columns' band: a light blue through which the staff shows.
const QRgb SelectionColour = qPremultiply(qRgba(40, 110, 230, 70));

QImage WhiteLeftOut(const QImage& mono) {
  QImage out = mono.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == 0xFFFFFF) line[x] = 0;
  }
  return out.convertToFormat(ViewFormat);
}
}  // namespace

TScoreRenderer::TScoreRenderer(const TScorePictures& pictures)
    : pictures_(pictures),
      toon_(WhiteLeftOut(pictures.ToonImage)),
      loopF_(WhiteLeftOut(pictures.LoopFImage)),
      loopL_(WhiteLeftOut(pictures.LoopLImage)),
      last_(WhiteLeftOut(pictures.LastImage)),
      cline_(pictures.CLineImage.convertToFormat(ViewFormat)) {
  pictures_.CounterImage = pictures.CounterImage.convertToFormat(ViewFormat);
  pictures_.LineImage = pictures.LineImage.convertToFormat(ViewFormat);
}

void TScoreRenderer::Prepare(QSize viewSize, int scale) {
  if (viewSize == preparedSize_ && scale == preparedScale_) return;
  if (scale != preparedScale_) enlarged_.clear();
  preparedSize_ = viewSize;
  preparedScale_ = scale;

  background_ = QImage(viewSize * scale, ViewFormat);
  background_.setDevicePixelRatio(scale);
  {
    QPainter p(&background_);
    p.drawImage(QRect(QPoint(0, 0), viewSize), pictures_.BGImage);
  }
  backgroundRows_ = RowColours(background_);
  if (backgroundRows_) selectedRows_ = OverColours(SelectionColour, *backgroundRows_);

  // Bar numbers in a small plain font with the default pen, the same on every platform so
  // that they stay within the white band above the staff.
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  const QFontMetrics metrics(font);
  for (int n = 1; n < static_cast<int>(barNumbers_.size()); ++n) {
    const QString text = QString::number(n);
    const QSize size(metrics.horizontalAdvance(text) + 1, metrics.height());
    QImage glyphs(size * scale, ViewFormat);
    glyphs.setDevicePixelRatio(scale);
    glyphs.fill(Qt::transparent);
    QPainter p(&glyphs);
    p.setFont(font);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignTop, text);
    barNumbers_[static_cast<std::size_t>(n)] = glyphs;
  }
}

void TScoreRenderer::Compose(QImage& target, QSize viewSize, qreal scale,
                             const TScoreViewState& state, int X, int Y, int Sound) {
  const int s = std::max(1, static_cast<int>(std::lround(scale)));
  Prepare(viewSize, s);
  if (target.size() != viewSize * s || target.format() != ViewFormat)
    target = QImage(viewSize * s, ViewFormat);
  target.setDevicePixelRatio(s);

  const int P = state.ScrollPosition;
  const int W = viewSize.width();
  const TSong& song = *state.Song;
  drawings_.clear();
  const auto draw = [&](const QImage& picture, int x, int y) {
    const TRasterSource source = RasterSourceOf(AtScale(picture), s);
    drawings_.push_back({source, QRect(x * s, y * s, source.Width, source.Height)});
  };
  const auto icon = [&](const TImageList* list, int index, int x, int y) {
    draw(list->Image(index), x, y);
  };

  band_.reset();
  if (state.Selection) {
    const int left = ColumnLineX(state.Selection->First, P) - ColumnWidth / 2;
    band_ = QRect(left * s, 0, state.Selection->Width() * ColumnWidth * s, viewSize.height() * s);
  }
  if (P < 25) draw(toon_, 1 - P, 40);
  if (state.Loop && P < 55) draw(loopF_, 42 - P, 46);

  const int firstColumn =
      std::max(1, static_cast<int>((P - FirstColumnX) / static_cast<double>(ColumnWidth)) - 1);
  const int beats = state.Time44 ? 4 : 3;
  const int numberedBars = state.Time44 ? 24 : 32;
  for (int n = firstColumn, x = ColumnLineX(n, P); x < W + IconHalf; ++n, x = ColumnLineX(n, P)) {
    if ((n - 1) % beats == 0) {
      draw(pictures_.CounterImage, x, RowZeroY);
      const int number = n / beats + 1;
      if (number <= numberedBars) draw(barNumbers_[static_cast<std::size_t>(number)], x - 5, 20);
    } else {
      draw(pictures_.LineImage, x, RowZeroY);
    }

    if (n == song.EndColumn) {
      if (state.Loop)
        draw(loopL_, x - 7, 46);
      else
        draw(last_, x - 2, 46);
    }

    if (n < song.EndColumn && n <= ColumnCount) {
      for (int row = 1; row <= RowCount; ++row) {
        const int32_t cell = song.Cell(row, n);
        if (cell == 0) continue;
        if (row >= 12) draw(cline_, x - 12, 128);
        icon(pictures_.SoundImages, SoundPicture::Tool(cell), x - IconHalf,
             RowCentreY(row) - IconHalf);
      }
    }
  }

  if (X != -1) {
    const TCell hover = HitCell(P, X, Y);
    if (state.SelectedSound < EndMarkerSound && hover.Row >= 12 && hover.Column >= 1)
      draw(cline_, ColumnLineX(hover.Column, P) - 12, 128);
    if (hover.Counts() && hover.Column <= ColumnCount)
      icon(pictures_.SoundImages, SoundPicture::CellFrame, ColumnLineX(hover.Column, P) - IconHalf,
           RowCentreY(hover.Row) - IconHalf);
    icon(pictures_.SoundImages, SoundPicture::Tool(Sound), X - IconHalf, Y - IconHalf);
  }

  if (state.Playing) {
    const int fx = FigureX(state.PlayTick, P);
    if (state.PlayTick % 2 != 0)
      icon(pictures_.PomvikImages, PomvikPicture::StepOnOddTick, fx, 10);
    else
      icon(pictures_.PomvikImages, PomvikPicture::StepOnEvenTick, fx, 11);
  }
  Paint(target);
}

const QImage& TScoreRenderer::AtScale(const QImage& picture) {
  const int scale = preparedScale_;
  if (scale == 1 || static_cast<int>(picture.devicePixelRatio()) == scale) return picture;
  QImage& enlarged = enlarged_[&picture];
  if (enlarged.isNull()) {
    enlarged = QImage(picture.size() * scale, ViewFormat);
    enlarged.setDevicePixelRatio(scale);
    for (int y = 0; y < enlarged.height(); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y / scale));
      auto* out = reinterpret_cast<QRgb*>(enlarged.scanLine(y));
      for (int x = 0; x < enlarged.width(); ++x) out[x] = in[x / scale];
    }
  }
  return enlarged;
}

// The band of the selection lies right on the background, so where the background's rows
// have one colour each, so do the band's.
void TScoreRenderer::Paint(QImage& image) {
  const TRasterTarget target = RasterTargetOf(image);
  constexpr qsizetype BandBytes = 64 * 1024;
  const int bandRows = static_cast<int>(std::max<qsizetype>(1, BandBytes / target.Line));
  for (int top = 0; top < target.Height; top += bandRows) {
    const int bottom = std::min(top + bandRows, target.Height);
    if (backgroundRows_) {
      FillRows(target, *backgroundRows_, top, bottom);
      if (band_) FillRows(target, selectedRows_, top, bottom, band_->left(), band_->right() + 1);
    } else {
      CopyRows(target, background_, top, bottom);
      if (band_) FillOver(target, *band_, SelectionColour, top, bottom);
    }
    for (const TDrawing& d : drawings_)
      if (d.Place.bottom() >= top && d.Place.top() < bottom)
        BlendOver(target, d.Picture, d.Place.x(), d.Place.y(), top, bottom);
  }
}

#include "app/ScoreRenderer.h"

#include <QPainter>
#include <cmath>

#include "app/layout/ImageList.h"

namespace {
constexpr QImage::Format ViewFormat = QImage::Format_ARGB32_Premultiplied;

QImage WhiteLeftOut(const QImage& mono) {
  QImage out = mono.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == 0xFFFFFF) line[x] = 0;
  }
  return out.convertToFormat(ViewFormat);
}

int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }
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

int TScoreRenderer::HitColumn(int P, int X) { return Nearest((P - 82 + X) / 32.0) + 1; }

int TScoreRenderer::HitRow(int Y) { return Nearest((Y - 32) / 8.0); }

void TScoreRenderer::Prepare(QSize viewSize, qreal scale) {
  if (viewSize == preparedSize_ && scale == preparedScale_) return;
  preparedSize_ = viewSize;
  preparedScale_ = scale;

  background_ = QImage(viewSize * scale, ViewFormat);
  background_.setDevicePixelRatio(scale);
  {
    QPainter p(&background_);
    p.drawImage(QRect(QPoint(0, 0), viewSize), pictures_.BGImage);
  }

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
  Prepare(viewSize, scale);
  if (target.size() != viewSize * scale || target.format() != ViewFormat)
    target = QImage(viewSize * scale, ViewFormat);
  target.setDevicePixelRatio(scale);

  const int P = state.ScrollPosition;
  const int W = viewSize.width();
  const TScore& score = *state.Score;
  QPainter p(&target);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, background_);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);

  if (P < 25) p.drawImage(1 - P, 40, toon_);
  if (state.Loop && P < 55) p.drawImage(42 - P, 46, loopF_);

  const int firstColumn = std::max(1, static_cast<int>((P - 82) / 32.0) - 1);
  for (int n = firstColumn, x = ColumnX(n, P); x < W + 8; ++n, x = ColumnX(n, P)) {
    const int beats = state.Time44 ? 4 : 3;
    if ((n - 1) % beats == 0) {
      p.drawImage(x, 32, pictures_.CounterImage);
      const int number = n / beats + 1;
      if (number < (state.Time44 ? 25 : 33))
        p.drawImage(x - 5, 20, barNumbers_[static_cast<std::size_t>(number)]);
    } else {
      p.drawImage(x, 32, pictures_.LineImage);
    }

    if (n == state.EndColumn) {
      if (state.Loop)
        p.drawImage(x - 7, 46, loopL_);
      else
        p.drawImage(x - 2, 46, last_);
    }

    if (n < state.EndColumn && n <= ColumnCount) {
      for (int row = 1; row <= RowCount; ++row) {
        const int32_t cell = score[static_cast<std::size_t>(row)][static_cast<std::size_t>(n)];
        if (cell == 0) continue;
        if (row >= 12) p.drawImage(x - 12, 128, cline_);
        pictures_.SoundImages->Draw(p, x - 8, 8 * row + 24, cell - 1);
      }
    }
  }

  if (X != -1) {
    const int HC = HitColumn(P, X);
    const int HR = HitRow(Y);
    if (state.SelectedSound < EndMarkerSound && HR >= 12 && HC >= 1)
      p.drawImage(32 * HC + 38 - P, 128, cline_);
    if (HC >= 1 && HC <= ColumnCount && HR >= 1 && HR <= RowCount)
      pictures_.SoundImages->Draw(p, 32 * HC + 42 - P, 8 * HR + 24, 17);
    pictures_.SoundImages->Draw(p, X - 8, Y - 8, Sound - 1);
  }

  if (state.Playing) {
    const int fx = 16 * state.PlayTick + 50 - P;
    if (state.PlayTick % 2 != 0)
      pictures_.PomvikImages->Draw(p, fx, 10, 1);
    else
      pictures_.PomvikImages->Draw(p, fx, 11, 0);
  }
}

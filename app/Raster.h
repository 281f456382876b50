#pragma once

#include <QImage>
#include <QRect>
#include <climits>
#include <optional>
#include <vector>

// Plain raster copies onto a premultiplied ARGB picture: the score view is made of a few
// hundred tiny pictures, so going through a painter would cost more than the pixels. A
// source drawn at 1x fills a scale x scale block per pixel; one prepared at the target's
// scale (its devicePixelRatio) is copied pixel for pixel. Everything is clipped to the
// target, and to the band of its rows fromRow .. toRow - 1 that is being painted.

// A picture's pixels as they lie in memory, and how much each is enlarged when drawn.
struct TRasterSource {
  const uchar* Bits = nullptr;
  qsizetype Line = 0;
  int Width = 0, Height = 0;  // in the target's pixels, enlarged
  int Block = 1;
};
TRasterSource RasterSourceOf(const QImage& source, int scale);

// The pixels pictures are drawn into.
struct TRasterTarget {
  uchar* Bits = nullptr;
  qsizetype Line = 0;
  int Width = 0, Height = 0;
};
TRasterTarget RasterTargetOf(QImage& target);

// Draws a premultiplied ARGB source over the target with its top-left corner at the
// target's pixel (x, y).
void BlendOver(const TRasterTarget& target, const TRasterSource& source, int x, int y, int fromRow,
               int toRow);
// Draws a rectangle (target's pixels) of one premultiplied colour over the target.
void FillOver(const TRasterTarget& target, QRect rect, QRgb colour, int fromRow, int toRow);

// Copies rows of `source`, of the same size and format as the target.
void CopyRows(const TRasterTarget& target, const QImage& source, int fromRow, int toRow);
// The colour of each row of `image`, or nothing when a row holds more than one.
std::optional<std::vector<QRgb>> RowColours(const QImage& image);
// Fills each row with its colour, from pixel `left` up to `right`: as a copy of an image
// with those row colours, without reading it.
void FillRows(const TRasterTarget& target, const std::vector<QRgb>& colours, int fromRow, int toRow,
              int left = 0, int right = INT_MAX);
// The colours of rows of those colours with a premultiplied colour drawn over them.
std::vector<QRgb> OverColours(QRgb colour, const std::vector<QRgb>& under);

// The whole of `source` over `target` at logical (x, y) on a target of whole-number `scale`.
void BlendOver(QImage& target, const QImage& source, int x, int y, int scale);

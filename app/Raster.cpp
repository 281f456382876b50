#include "app/Raster.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {
// dst = src + dst * (255 - alpha(src)) / 255, per channel, on premultiplied pixels.
inline QRgb Over(QRgb src, QRgb dst) {
  const uint32_t alpha = src >> 24;
  if (alpha == 255) return src;
  if (alpha == 0) return dst;
  const uint32_t inv = 255 - alpha;
  uint32_t rb = (dst & 0x00FF00FFu) * inv;
  rb = (rb + ((rb >> 8) & 0x00FF00FFu) + 0x00800080u) >> 8 & 0x00FF00FFu;
  uint32_t ag = ((dst >> 8) & 0x00FF00FFu) * inv;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu) + 0x00800080u) & 0xFF00FF00u;
  return src + (rb | ag);
}

// t / 255 per 16-bit lane, rounded exactly as Over rounds.
inline __m128i Divide255(__m128i t) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)),
                        8);
}

// Over on four pixels at once, with the same arithmetic per channel: a wide view blends
// several times the pixels of the designed one.
inline __m128i Over4(__m128i src, __m128i dst) {
  const __m128i zero = _mm_setzero_si128();
  __m128i alpha = _mm_srli_epi32(src, 24);
  alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
  const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
  const __m128i low =
      Divide255(_mm_mullo_epi16(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi32(inv, inv)));
  const __m128i high =
      Divide255(_mm_mullo_epi16(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi32(inv, inv)));
  return _mm_add_epi8(src, _mm_packus_epi16(low, high));
}

// Pictures are mostly clear or solid pixels: four clear ones leave the target as it is,
// four solid ones replace it.
inline void BlendLine(QRgb* out, const QRgb* in, int count) {
  const __m128i alphas = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
    const __m128i alpha = _mm_and_si128(src, alphas);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
    auto* at = reinterpret_cast<__m128i*>(out + k);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphas)) == 0xFFFF)
      _mm_storeu_si128(at, src);
    else
      _mm_storeu_si128(at, Over4(src, _mm_loadu_si128(at)));
  }
  for (; k < count; ++k) out[k] = Over(in[k], out[k]);
}

inline QRgb* Row(const TRasterTarget& target, int y) {
  return reinterpret_cast<QRgb*>(target.Bits + y * target.Line);
}
}  // namespace

TRasterSource RasterSourceOf(const QImage& source, int scale) {
  const int block = std::max(1, scale / std::max(1, static_cast<int>(source.devicePixelRatio())));
  return {source.constBits(), source.bytesPerLine(), source.width() * block,
          source.height() * block, block};
}

TRasterTarget RasterTargetOf(QImage& target) {
  return {target.bits(), target.bytesPerLine(), target.width(), target.height()};
}

void BlendOver(const TRasterTarget& target, const TRasterSource& source, int x, int y, int fromRow,
               int toRow) {
  const int x0 = std::max(0, x), y0 = std::max({0, y, fromRow});
  const int x1 = std::min(target.Width, x + source.Width);
  const int y1 = std::min({target.Height, y + source.Height, toRow});
  if (x0 >= x1 || y0 >= y1) return;
  const int block = source.Block;
  if (block == 1) {
    const uchar* in = source.Bits + (y0 - y) * source.Line + (x0 - x) * sizeof(QRgb);
    uchar* out = target.Bits + y0 * target.Line + x0 * sizeof(QRgb);
    if (x1 - x0 == 1) {  // the staff's bar and beat lines: a column of pixels
      for (int ty = y0; ty < y1; ++ty, in += source.Line, out += target.Line)
        *reinterpret_cast<QRgb*>(out) =
            Over(*reinterpret_cast<const QRgb*>(in), *reinterpret_cast<const QRgb*>(out));
      return;
    }
    for (int ty = y0; ty < y1; ++ty, in += source.Line, out += target.Line)
      BlendLine(reinterpret_cast<QRgb*>(out), reinterpret_cast<const QRgb*>(in), x1 - x0);
    return;
  }
  for (int ty = y0; ty < y1; ++ty) {
    QRgb* out = Row(target, ty);
    const auto* in = reinterpret_cast<const QRgb*>(source.Bits + (ty - y) / block * source.Line);
    int sx = (x0 - x) / block, phase = (x0 - x) % block;
    for (int tx = x0; tx < x1; ++tx) {
      out[tx] = Over(in[sx], out[tx]);
      if (++phase == block) {
        phase = 0;
        ++sx;
      }
    }
  }
}

void FillOver(const TRasterTarget& target, QRect rect, QRgb colour, int fromRow, int toRow) {
  const int x0 = std::max(0, rect.left()), x1 = std::min(target.Width, rect.right() + 1);
  const int y0 = std::max({0, rect.top(), fromRow});
  const int y1 = std::min({target.Height, rect.bottom() + 1, toRow});
  const __m128i src = _mm_set1_epi32(static_cast<int>(colour));
  for (int ty = y0; ty < y1; ++ty) {
    QRgb* out = Row(target, ty);
    int k = x0;
    for (; k + 4 <= x1; k += 4) {
      auto* at = reinterpret_cast<__m128i*>(out + k);
      _mm_storeu_si128(at, Over4(src, _mm_loadu_si128(at)));
    }
    for (; k < x1; ++k) out[k] = Over(colour, out[k]);
  }
}

void CopyRows(const TRasterTarget& target, const QImage& source, int fromRow, int toRow) {
  toRow = std::min(toRow, target.Height);
  if (fromRow >= toRow) return;
  std::memcpy(target.Bits + fromRow * target.Line, source.constBits() + fromRow * target.Line,
              static_cast<size_t>((toRow - fromRow) * target.Line));
}

std::optional<std::vector<QRgb>> RowColours(const QImage& image) {
  std::vector<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    if (std::any_of(line, line + image.width(), [&](QRgb p) { return p != line[0]; }))
      return std::nullopt;
    colours.push_back(image.width() > 0 ? line[0] : 0);
  }
  return colours;
}

void FillRows(const TRasterTarget& target, const std::vector<QRgb>& colours, int fromRow, int toRow,
              int left, int right) {
  toRow = std::min({toRow, target.Height, static_cast<int>(colours.size())});
  left = std::max(0, left);
  right = std::min(right, target.Width);
  for (int y = std::max(0, fromRow); y < toRow; ++y) {
    QRgb* out = Row(target, y);
    const QRgb colour = colours[static_cast<std::size_t>(y)];
    const __m128i four = _mm_set1_epi32(static_cast<int>(colour));
    int k = left;
    for (; k + 16 <= right; k += 16) {
      auto* at = reinterpret_cast<__m128i*>(out + k);
      _mm_storeu_si128(at, four);
      _mm_storeu_si128(at + 1, four);
      _mm_storeu_si128(at + 2, four);
      _mm_storeu_si128(at + 3, four);
    }
    for (; k < right; ++k) out[k] = colour;
  }
}

std::vector<QRgb> OverColours(QRgb colour, const std::vector<QRgb>& under) {
  std::vector<QRgb> over;
  over.reserve(under.size());
  for (const QRgb c : under) over.push_back(Over(colour, c));
  return over;
}

void BlendOver(QImage& target, const QImage& source, int x, int y, int scale) {
  BlendOver(RasterTargetOf(target), RasterSourceOf(source, scale), x * scale, y * scale, 0,
            target.height());
}

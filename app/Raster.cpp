#include "app/Raster.h"

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
}  // namespace

void BlendOver(QImage& target, const QImage& source, int x, int y, int scale) {
  // A source prepared at the target's scale is copied pixel for pixel; others are enlarged.
  const int block = std::max(1, scale / std::max(1, static_cast<int>(source.devicePixelRatio())));
  const int ox = x * scale, oy = y * scale;
  const int x0 = std::max(0, ox), y0 = std::max(0, oy);
  const int x1 = std::min(target.width(), ox + source.width() * block);
  const int y1 = std::min(target.height(), oy + source.height() * block);
  if (x0 >= x1 || y0 >= y1) return;
  uchar* const targetBits = target.bits();  // detaches once, not per line
  const qsizetype targetLine = target.bytesPerLine();
  const uchar* const sourceBits = source.constBits();
  const qsizetype sourceLine = source.bytesPerLine();
  for (int ty = y0; ty < y1; ++ty) {
    auto* out = reinterpret_cast<QRgb*>(targetBits + ty * targetLine);
    const auto* in = reinterpret_cast<const QRgb*>(sourceBits + (ty - oy) / block * sourceLine);
    if (block == 1) {
      for (int tx = x0; tx < x1; ++tx) out[tx] = Over(in[tx - ox], out[tx]);
    } else {
      int sx = (x0 - ox) / block, phase = (x0 - ox) % block;
      for (int tx = x0; tx < x1; ++tx) {
        out[tx] = Over(in[sx], out[tx]);
        if (++phase == block) {
          phase = 0;
          ++sx;
        }
      }
    }
  }
}

void CopyWhole(QImage& target, const QImage& source) {
  std::memcpy(target.bits(), source.constBits(), static_cast<size_t>(source.sizeInBytes()));
}

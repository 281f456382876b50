#pragma once

#include <QImage>

// Plain raster copies onto a premultiplied ARGB picture: the score view is small and made
// of a few dozen tiny pictures, so going through a painter would cost more than the pixels.
// Coordinates are logical pixels; `scale` is the target's whole-number device scale. A source
// drawn at 1x fills a scale x scale block per pixel; one prepared at the target's scale (its
// devicePixelRatio) is copied pixel for pixel. Everything is clipped to the target.

// Draws `source` (premultiplied ARGB) over `target` with (x, y) as its top-left corner.
void BlendOver(QImage& target, const QImage& source, int x, int y, int scale);

// Copies `source` (same size and format as `target`) over the whole of `target`.
void CopyWhole(QImage& target, const QImage& source);

#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include "app/Raster.h"
#include "core/SongColumns.h"
#include "core/SongModel.h"

class TImageList;

// The pictures the score view paints with, as the layout holds them.
struct TScorePictures {
  QImage BGImage;
  QImage ToonImage;
  QImage CounterImage;
  QImage LineImage;
  QImage LoopFImage;
  QImage LoopLImage;
  QImage LastImage;
  QImage CLineImage;
  const TImageList* SoundImages = nullptr;
  const TImageList* PomvikImages = nullptr;
};

// Everything a drawing reads besides the pictures.
struct TScoreViewState {
  const TSong* Song = nullptr;
  int ScrollPosition = 0;  // P, the horizontal offset in pixels
  bool Loop = false;
  bool Time44 = true;
  bool Playing = false;
  int32_t PlayTick = 0;
  int32_t SelectedSound = 1;
  std::optional<TColumnRange> Selection;  // shown as a band behind the notes
};

// Composes the whole score view into an off-screen image: background, selected columns,
// clef, repeat signs, the visible columns with bar lines, numbers and notes, the pointer's
// preview and the walking figure. Pictures that depend only on the view size and scale are
// prepared once. The drawings are listed first and then painted band by band of the
// image's rows, so that a wide view is painted while its band is still in the cache.
class TScoreRenderer {
 public:
  explicit TScoreRenderer(const TScorePictures& pictures);

  // Repaints `target` (resized only when the view's size or scale changed); a fractional
  // screen scale is composed at the nearest whole one. X = -1 means
  // no preview; otherwise (X, Y) is the pointer and Sound the tool whose icon follows it.
  void Compose(QImage& target, QSize viewSize, qreal scale, const TScoreViewState& state, int X,
               int Y, int Sound);

 private:
  void Prepare(QSize viewSize, int scale);
  void Paint(QImage& target);
  const QImage& AtScale(const QImage& picture);

  // A picture at its place in the target's pixels.
  struct TDrawing {
    TRasterSource Picture;
    QRect Place;
  };

  TScorePictures pictures_;
  // White pixels of the monochrome signs are left out when drawn.
  QImage toon_, loopF_, loopL_, last_, cline_;
  QSize preparedSize_;
  int preparedScale_ = 0;
  QImage background_;
  std::optional<std::vector<QRgb>> backgroundRows_;  // its rows' colours, when each has one
  std::vector<QRgb> selectedRows_;                   // and under the selection's band
  std::optional<QRect> band_;                        // the selection's, in the target's pixels
  std::vector<TDrawing> drawings_;
  // Pictures enlarged to the prepared scale, so that each is copied pixel for pixel.
  std::unordered_map<const QImage*, QImage> enlarged_;
  std::array<QImage, 33> barNumbers_;  // 1..32
};

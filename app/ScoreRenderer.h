#pragma once

#include <QImage>
#include <QSize>
#include <array>

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
};

// Composes the whole score view into an off-screen image: background, clef, repeat signs,
// the visible columns with bar lines, numbers and notes, the pointer's preview and the
// walking figure. Pictures that depend only on the view size and scale are prepared once.
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

  TScorePictures pictures_;
  // White pixels of the monochrome signs are left out when drawn.
  QImage toon_, loopF_, loopL_, last_, cline_;
  QSize preparedSize_;
  int preparedScale_ = 0;
  QImage background_;
  std::array<QImage, 33> barNumbers_;  // 1..32
};

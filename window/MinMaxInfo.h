#pragma once

#include <QPoint>

// The four points a window's size limits consist of, in outer (frame) pixels and
// screen positions, as a window system proposes them.
struct TMinMaxInfo {
  QPoint ptMaxSize;
  QPoint ptMaxPosition;
  QPoint ptMinTrackSize;
  QPoint ptMaxTrackSize;

  bool operator==(const TMinMaxInfo&) const = default;
};

// The eight limits of a TWinSize; 0 keeps the system's value.
struct TSizeLimits {
  int MaxSizeX = 0;
  int MaxSizeY = 0;
  int MaxPositionX = 0;
  int MaxPositionY = 0;
  int MinTrackSizeX = 0;
  int MinTrackSizeY = 0;
  int MaxTrackSizeX = 0;
  int MaxTrackSizeY = 0;
};

// Writes every non-zero limit over the matching member of the system's proposal.
TMinMaxInfo ApplySizeLimits(TMinMaxInfo info, const TSizeLimits& limits);

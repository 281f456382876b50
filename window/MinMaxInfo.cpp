#include "window/MinMaxInfo.h"

namespace {
void Override(int& member, int limit) {
  if (limit != 0) member = limit;
}
}  // namespace

TMinMaxInfo ApplySizeLimits(TMinMaxInfo info, const TSizeLimits& limits) {
  Override(info.ptMaxSize.rx(), limits.MaxSizeX);
  Override(info.ptMaxSize.ry(), limits.MaxSizeY);
  Override(info.ptMaxPosition.rx(), limits.MaxPositionX);
  Override(info.ptMaxPosition.ry(), limits.MaxPositionY);
  Override(info.ptMinTrackSize.rx(), limits.MinTrackSizeX);
  Override(info.ptMinTrackSize.ry(), limits.MinTrackSizeY);
  Override(info.ptMaxTrackSize.rx(), limits.MaxTrackSizeX);
  Override(info.ptMaxTrackSize.ry(), limits.MaxTrackSizeY);
  return info;
}

#include "core/ColumnSelection.h"

#include <algorithm>

#include "core/NoteEditing.h"
#include "core/ScoreGeometry.h"

namespace {
int OnGrid(int column) { return std::clamp(column, 1, ColumnCount); }
}  // namespace

void TColumnSelection::Start(int column) {
  anchor_ = OnGrid(column);
  end_ = *anchor_;
}

void TColumnSelection::Extend(int column) {
  if (!anchor_) anchor_ = OnGrid(column);
  end_ = OnGrid(column);
}

void TColumnSelection::Select(TColumnRange range) {
  anchor_ = OnGrid(range.First);
  end_ = OnGrid(range.Last);
}

std::optional<TColumnRange> TColumnSelection::Range() const {
  if (!anchor_) return std::nullopt;
  return TColumnRange{std::min(*anchor_, end_), std::max(*anchor_, end_)};
}

bool OnColumnStrip(int Y) { return Y >= 0 && HitCell(0, FirstColumnX, Y).Row < 1; }

int StripColumn(int P, int X) { return OnGrid(HitCell(P, X, 0).Column); }

bool RangeInView(TColumnRange range, int P, int W) {
  const int half = ColumnWidth / 2;
  return ColumnLineX(range.Last, P) + half > 0 && ColumnLineX(range.First, P) - half < W;
}

int PasteColumn(const std::optional<TColumnRange>& selection, int P, int W) {
  if (selection && RangeInView(*selection, P, W)) return selection->First;
  return OnGrid(FirstWhollyVisibleColumn(P));
}

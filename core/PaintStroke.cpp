#include "core/PaintStroke.h"

#include <algorithm>
#include <cstdlib>

#include "core/Document.h"
#include "core/NoteEditing.h"

TPaintStroke::TPaintStroke(TDocument& document, int32_t tool) : document_(document), tool_(tool) {
  document_.Commit();
}

std::vector<TAudition> TPaintStroke::MoveTo(int P, int X, int Y) {
  std::vector<TAudition> heard;
  if (ended_) return heard;
  const std::array<int, 2> to{P + X, Y};
  const bool pressed = !last_;
  const std::array<int, 2> from = last_.value_or(to);
  last_ = to;
  const int steps = std::max({std::abs(to[0] - from[0]), std::abs(to[1] - from[1]), 1});
  for (int k = pressed ? 0 : 1; k <= steps; ++k)
    Visit(from[0] + (to[0] - from[0]) * k / steps, from[1] + (to[1] - from[1]) * k / steps, heard);
  return heard;
}

void TPaintStroke::Visit(int songX, int Y, std::vector<TAudition>& heard) {
  const TCell cell = HitCell(0, songX, Y);
  if (!cell.Counts()) return;
  auto seen = visited_[static_cast<std::size_t>(cell.Row)][static_cast<std::size_t>(cell.Column)];
  if (seen) return;
  seen = true;
  const TCellEdit edit = document_.PaintCell(tool_, cell);
  if (edit.Heard.Kind != TAudition::None) heard.push_back(edit.Heard);
}

void TPaintStroke::End() {
  if (ended_) return;
  ended_ = true;
  document_.Commit();
}

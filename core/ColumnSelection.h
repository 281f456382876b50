#pragma once

#include <optional>

#include "core/SongColumns.h"

// Whole columns chosen along the strip above the staff: a press picks a column, a drag or
// a Shift+press moves the far end while the first one pressed stays. Columns off the grid
// count as its nearest one.
class TColumnSelection {
 public:
  void Start(int column);
  // Without a selection, starts one there.
  void Extend(int column);
  void Select(TColumnRange range);
  void Clear() { anchor_.reset(); }
  std::optional<TColumnRange> Range() const;

 private:
  std::optional<int> anchor_;
  int end_ = 1;
};

// The strip above the staff's top line where the bar numbers stand; no cell is hit there.
bool OnColumnStrip(int Y);
// The column of the grid under the pointer's X in the view scrolled by P, as a click counts
// it, brought into 1..96.
int StripColumn(int P, int X);

// Whether any of the range's columns shows in a view W pixels wide scrolled by P.
bool RangeInView(TColumnRange range, int P, int W);

// Where copied columns go: from the selection's first column while the selection shows,
// else from the first column wholly in view.
int PasteColumn(const std::optional<TColumnRange>& selection, int P, int W);

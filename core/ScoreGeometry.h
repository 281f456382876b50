#pragma once

#include <cstdint>

// Where things stand in the score view, in its logical pixels. The staff scrolls sideways
// by P pixels (the scroll bar's position); the hit test, the drawing and the transport's
// scrolling all measure from these.

inline constexpr int ColumnWidth = 32;  // from one column's line to the next
inline constexpr int ColumnZeroX = 50;  // where column 0's line would stand, unscrolled
inline constexpr int FirstColumnX = ColumnZeroX + ColumnWidth;  // column 1's line: 82
inline constexpr int RowHeight = 8;                             // from one row's centre to the next
inline constexpr int RowZeroY = 32;  // where row 0's centre would be: row r at 32 + 8r
inline constexpr int IconHalf = 8;   // the pictures are 16 x 16, placed by their centre

// The walking figure moves half a column a tick, and once the view follows it, it stays
// this far from the left edge while the staff moves under it.
inline constexpr int FigureStep = ColumnWidth / 2;
inline constexpr int FigureHoldX = 150;
// The scroll bar's range is 0 .. ScrollMax at the designed width of the view: the figure
// reaches the hold place on tick 7 and the view stops following on tick 180.
inline constexpr int ScrollMax = 2780;
inline constexpr int DesignedViewWidth = 385;
// A wider view scrolls less, so that column 97, the end of the whole song, stays the last
// it reaches, 11 pixels from its right edge; at this width it shows unscrolled, and a view
// any wider would show past it.
inline constexpr int WidestView = ScrollMax + DesignedViewWidth;
constexpr int ScrollMaxFor(int viewWidth) {
  return viewWidth >= WidestView ? 0 : WidestView - viewWidth;
}

// Column n's line (also the centre of its notes) in the view scrolled by P.
constexpr int ColumnLineX(int column, int P) { return ColumnWidth * column + ColumnZeroX - P; }
// The centre of row r's notes.
constexpr int RowCentreY(int row) { return RowHeight * row + RowZeroY; }
// The walking figure's left edge on a tick: over column n on tick 2n.
constexpr int FigureX(int32_t PlayTick, int P) { return FigureStep * PlayTick + ColumnZeroX - P; }
// Its pictures (16 x 22, drawn a pixel lower on even ticks) lie within this band.
inline constexpr int FigureTop = 10;
inline constexpr int FigureWidth = 16;
inline constexpr int FigureHeight = 23;

// The first column whose notes lie wholly in the view scrolled by P: play from here starts
// there. Column n's pictures begin at ColumnLineX(n, P) - IconHalf, which must not be left of
// the view's edge; at the start of the song that is column 1.
constexpr int FirstWhollyVisibleColumn(int P) {
  const int from = P + IconHalf - ColumnZeroX;  // ColumnWidth x n must reach this
  return from <= ColumnWidth ? 1 : (from + ColumnWidth - 1) / ColumnWidth;
}

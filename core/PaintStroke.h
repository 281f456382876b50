#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Audition.h"
#include "core/SongModel.h"

class TDocument;

// One drag of a mouse button over the score view with a tool: every cell on the pointer's
// way is clicked with the tool once, as a click edits and is heard, and the whole drag is
// one step of the document's history. The way is followed pixel by pixel between the
// positions reported, so a quick drag misses no cell; positions are taken in the song's
// own pixels, so the view may scroll in between.
class TPaintStroke {
 public:
  // Ends any run of changes still open, so that the drag's step holds the drag alone.
  TPaintStroke(TDocument& document, int32_t tool);
  TPaintStroke(const TPaintStroke&) = delete;
  TPaintStroke& operator=(const TPaintStroke&) = delete;

  int32_t Tool() const { return tool_; }
  // The pointer at (X, Y) of the view scrolled by P: the press, then each move. What the
  // cells newly passed let the user hear, in order.
  std::vector<TAudition> MoveTo(int P, int X, int Y);
  // The drag's changes become one step; the stroke edits nothing more. A stroke that is
  // never ended leaves its changes to the document's next step.
  void End();

 private:
  void Visit(int songX, int Y, std::vector<TAudition>& heard);

  TDocument& document_;
  int32_t tool_;
  bool ended_ = false;
  std::optional<std::array<int, 2>> last_;  // (P + X, Y)
  std::array<std::bitset<WholeSongEnd + 1>, RowCount + 1> visited_{};
};

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/SongModel.h"

// The song as five "KEY=value" lines: the text of song files and of the clipboard.

using TSongLines = std::vector<std::string>;

// Where the reader puts the settings that live outside the song value (the document's or a
// tool's plain variables, TSongSettings). Calls come in the reader's order, each as soon as
// its line is read.
class TSongSettingsTarget {
 public:
  virtual ~TSongSettingsTarget() = default;
  // The value as the text gives it; the target clamps it to its tempo range.
  virtual void ApplyTempo(int32_t tempo) = 0;
  virtual void ApplyLoop(bool on) = 0;
  // True for 4/4, false for 3/4.
  virtual void ApplyTime44(bool on) = 0;
};

// The settings as BuildSongText writes them.
struct TSongSettingsValues {
  int32_t Tempo = DefaultTempo;
  bool Loop = false;
  bool Time44 = true;
};

enum class TReadResult { Done, BadScoreData };

// Five lines, each ended by CR LF: SCORE, TEMPO, LOOP, END, TIME44.
std::string BuildSongText(const TSong& song, const TSongSettingsValues& settings);

// Lines end at CR LF, a lone CR or a lone LF; the text ends at its first NUL. A last line
// without a break counts; an empty text has no lines.
TSongLines SplitSongLines(std::string_view text);

// Applies the lines as it goes, in the order TEMPO, LOOP, END, TIME44, then the score column
// by column, so that a failure leaves everything before it applied: EConvertError from
// TEMPO or END propagates, bad score data returns BadScoreData with the failing column
// cleared but for the pairs read before the fault and the later columns untouched.
// A column's count is its occupied cells once it is decoded.
TReadResult ReadSongText(const TSongLines& lines, TSong& song, TSongSettingsTarget& target);

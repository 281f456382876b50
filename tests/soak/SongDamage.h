#pragma once

// Random songs, and the ways song texts come damaged out of editors, mail and disks.
// Header-only.

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/SongModel.h"
#include "core/SongText.h"

namespace soak {

// Every random choice of a run comes from here, so that one seed replays the whole run.
class TDice {
 public:
  explicit TDice(uint64_t seed) : engine_(seed) {}
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
  bool Chance(int percent) { return Between(1, 100) <= percent; }
  // One of `count` places, from 0.
  std::size_t Index(std::size_t count) {
    return static_cast<std::size_t>(Between(0, static_cast<int>(count) - 1));
  }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[Index(items.size())];
  }

 private:
  std::mt19937_64 engine_;
};

// A song as the editor could have made it: up to three notes a column, any end, any setting.
inline std::string RandomSongText(TDice& dice) {
  TSong song;
  const int density = dice.Between(0, 100);
  for (int c = 1; c <= ColumnCount; ++c) {
    if (!dice.Chance(density)) continue;
    for (int k = dice.Between(1, MaxNotesPerColumn); k > 0; --k) {
      int32_t& cell = song.Cell(dice.Between(1, RowCount), c);
      if (cell == 0) ++song.NoteCount(c);
      cell = dice.Between(1, NoteSoundCount);
    }
  }
  song.EndColumn = dice.Between(1, WholeSongEnd);
  return BuildSongText(song, {dice.Between(100, 700), dice.Chance(50), dice.Chance(50)});
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

inline std::string Joined(const std::vector<std::string>& lines, const std::string& eol) {
  std::string text;
  for (const std::string& line : lines) text += line + eol;
  return text;
}

inline std::string RandomBytes(TDice& dice, int count) {
  std::string bytes(static_cast<std::size_t>(count), '\0');
  for (char& b : bytes) b = static_cast<char>(dice.Between(0, 255));
  return bytes;
}

// Values the integer conversion must turn down, or take whole, without harm.
inline const std::vector<std::string>& OddNumbers() {
  static const std::vector<std::string> numbers = {"99999999999999999999",
                                                   "2147483648",
                                                   "-2147483649",
                                                   "2147483647",
                                                   "-2147483648",
                                                   "4294967296",
                                                   "+700",
                                                   "-0",
                                                   "0x2BC",
                                                   " 300",
                                                   "300 ",
                                                   "",
                                                   "1e3",
                                                   "７００",
                                                   "0000000000000000097"};
  return numbers;
}

// One kind of damage, chosen at random.
inline std::string DamagedOnce(std::string text, TDice& dice) {
  const auto at = [&] { return dice.Index(text.size() + 1); };
  switch (dice.Between(0, 9)) {
    case 0:  // cut short
      text.resize(at());
      break;
    case 1:  // bytes flipped
      for (int k = dice.Between(1, 6); k > 0 && !text.empty(); --k)
        text[std::min(at(), text.size() - 1)] ^= static_cast<char>(1 << dice.Between(0, 7));
      break;
    case 2: {  // two lines swapped
      std::vector<std::string> lines = Lines(text);
      if (!lines.empty())
        std::swap(lines[dice.Index(lines.size())], lines[dice.Index(lines.size())]);
      text = Joined(lines, "\r\n");
      break;
    }
    case 3: {  // a key in another case
      std::vector<std::string> lines = Lines(text);
      if (!lines.empty()) {
        std::string& line = lines[dice.Index(lines.size())];
        for (char& ch : line) {
          if (ch == '=') break;
          if (dice.Chance(60)) ch = static_cast<char>(ch ^ 0x20);
        }
      }
      text = Joined(lines, "\r\n");
      break;
    }
    case 4: {  // huge or odd numbers
      const std::string key = dice.Chance(50) ? "TEMPO=" : "END=";
      const std::size_t from = text.find(key);
      if (from != std::string::npos) {
        const std::size_t value = from + key.size();
        const std::size_t end = text.find("\r\n", value);
        text.replace(value, end == std::string::npos ? std::string::npos : end - value,
                     dice.Pick(OddNumbers()));
      }
      break;
    }
    case 5:  // not text at all
      text = RandomBytes(dice, dice.Chance(10) ? 0 : dice.Between(1, 800));
      break;
    case 6: {  // other line ends, a byte-order mark, extra and repeated lines
      const std::vector<std::string> lines = Lines(text);
      const std::vector<std::string> ends = {"\r", "\n", "\n\r", "\r\r\n", ""};
      text = Joined(lines, dice.Pick(ends));
      if (dice.Chance(30)) text = "\xEF\xBB\xBF" + text;
      if (dice.Chance(50)) text += text;
      if (dice.Chance(30)) text.insert(0, "comment\r\n=\r\nSCORE\r\n");
      break;
    }
    case 7: {  // a score string far too long, or with digits no writer makes
      const std::string junk = dice.Chance(50) ? "0123456789ABCDEFabcdefGE" : "0DF";
      std::string score;
      for (int k = dice.Between(1, 4000); k > 0; --k) score += junk[dice.Index(junk.size())];
      const std::size_t from = text.find("SCORE=");
      text.insert(from == std::string::npos ? 0 : from + 6, score);
      break;
    }
    case 8:  // a NUL, where a text ends
      text.insert(at(), 1, '\0');
      break;
    default:  // stray bytes
      text.insert(at(), RandomBytes(dice, dice.Between(1, 8)));
      break;
  }
  return text;
}

inline std::string Damaged(std::string text, TDice& dice) {
  for (int k = dice.Between(1, 3); k > 0; --k) text = DamagedOnce(std::move(text), dice);
  return text;
}

}  // namespace soak

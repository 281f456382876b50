#include "core/SongText.h"

#include <optional>

#include "core/ConvertError.h"

namespace {

void AppendHex(std::string& out, int32_t value) {
  static constexpr char digits[] = "0123456789ABCDEF";
  auto v = static_cast<uint32_t>(value);
  char buffer[8];
  int n = 0;
  do {
    buffer[n++] = digits[v % 16];
    v /= 16;
  } while (v != 0);
  while (n > 0) out += buffer[--n];
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// The value of the first line whose key (the text before its first "=") is `key`; a
// missing key reads as empty.
std::string_view ValueOf(const TSongLines& lines, std::string_view key) {
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && SameKey(std::string_view(line).substr(0, eq), key))
      return std::string_view(line).substr(eq + 1);
  }
  return {};
}

std::optional<int> RowDigit(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'D') return c - 'A' + 10;
  return std::nullopt;
}

std::optional<int32_t> SoundDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

int32_t OccupiedCells(const TSong& song, int column) {
  int32_t n = 0;
  for (int row = 1; row <= RowCount; ++row)
    if (song.Cell(row, column) != 0) ++n;
  return n;
}

// Reads the three slots of one column from position p into its cleared cells.
bool DecodeColumn(std::string_view score, std::size_t& p, TSong& song, int column) {
  for (int slot = 0; slot < MaxNotesPerColumn; ++slot) {
    if (p < score.size() && score[p] == '0') {
      ++p;
      continue;
    }
    const std::optional<int> row = p < score.size() ? RowDigit(score[p]) : std::nullopt;
    if (!row) return false;
    ++p;
    // A row digit that ends the text stores nothing.
    if (p < score.size()) {
      const std::optional<int32_t> sound = SoundDigit(score[p]);
      if (!sound) return false;
      song.Cell(*row, column) = *sound;
    }
    ++p;
  }
  return true;
}

// Decodes the score string into the grid column by column, stopping at the first fault.
bool DecodeScore(std::string_view score, TSong& song) {
  std::size_t p = 0;
  for (int column = 1; column <= ColumnCount; ++column) {
    for (int row = 1; row <= RowCount; ++row) song.Cell(row, column) = 0;
    const bool ok = DecodeColumn(score, p, song, column);
    // Counting pairs instead would count a sound 0 or a row named twice, and the writer's
    // empty slots rely on the count matching the grid.
    song.ColumnNoteCount[static_cast<std::size_t>(column)] = OccupiedCells(song, column);
    if (!ok) return false;
  }
  return true;
}

// The value of `key` as an integer; a conversion error names the key.
int32_t IntegerOf(const TSongLines& lines, std::string_view key) {
  try {
    return StrToInt(ValueOf(lines, key));
  } catch (EConvertError& e) {
    e.SetKey(std::string(key));
    throw;
  }
}

}  // namespace

std::string BuildSongText(const TSong& song, const TSongSettingsValues& settings) {
  std::string score;
  score.reserve(ColumnCount * 6);
  for (int column = 1; column <= ColumnCount; ++column) {
    const int32_t n = song.ColumnNoteCount[static_cast<std::size_t>(column)];
    if (n < MaxNotesPerColumn) score.append(static_cast<std::size_t>(MaxNotesPerColumn - n), '0');
    for (int row = 1; row <= RowCount; ++row) {
      const int32_t sound = song.Cell(row, column);
      if (sound == 0) continue;
      AppendHex(score, row);
      AppendHex(score, sound);
    }
  }
  const auto bool_text = [](bool on) { return on ? "TRUE" : "FALSE"; };
  std::string text;
  text += "SCORE=" + score + "\r\n";
  text += "TEMPO=" + std::to_string(settings.Tempo) + "\r\n";
  text += std::string("LOOP=") + bool_text(settings.Loop) + "\r\n";
  text += "END=" + std::to_string(song.EndColumn) + "\r\n";
  text += std::string("TIME44=") + bool_text(settings.Time44) + "\r\n";
  return text;
}

TSongLines SplitSongLines(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  TSongLines lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    if (end == text.size()) break;
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    start = end + (crlf ? 2 : 1);
  }
  return lines;
}

TReadResult ReadSongText(const TSongLines& lines, TSong& song, TSongSettingsTarget& target) {
  const std::string_view score = ValueOf(lines, "SCORE");
  target.ApplyTempo(IntegerOf(lines, "TEMPO"));
  target.ApplyLoop(ValueOf(lines, "LOOP") != "FALSE");
  const int32_t end = IntegerOf(lines, "END");
  song.EndColumn = end >= 1 && end <= WholeSongEnd ? end : WholeSongEnd;
  target.ApplyTime44(ValueOf(lines, "TIME44") != "FALSE");
  return DecodeScore(score, song) ? TReadResult::Done : TReadResult::BadScoreData;
}

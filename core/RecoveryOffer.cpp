#include "core/RecoveryOffer.h"

#include <exception>
#include <utility>
#include <vector>

#include "core/ConvertError.h"
#include "core/SongFile.h"
#include "core/SongSettings.h"
#include "core/SongText.h"

std::string SongTextProblem(const std::string& text) {
  TSong song;
  TSongSettings settings;
  try {
    if (ReadSongText(SplitSongLines(text), song, settings) == TReadResult::BadScoreData)
      return "not a song: bad score data";
  } catch (const EConvertError& e) {
    return "not a song: " + e.Detail();
  }
  return {};
}

namespace {
constexpr std::string_view FileKey = "FILE=";
constexpr char Hex[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::string RecoveryCopyText(const std::string& songText, const std::string& fileName) {
  if (fileName.empty()) return songText;
  std::string text = songText;
  text += FileKey;
  for (const char c : fileName) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '%') {
      text += '%';
      text += Hex[byte >> 4];
      text += Hex[byte & 0xF];
    } else {
      text += c;
    }
  }
  return text + "\r\n";
}

std::string RecordedFileName(std::string_view copyText) {
  for (const std::string& line : SplitSongLines(copyText)) {
    if (!line.starts_with(FileKey)) continue;
    std::string name;
    for (std::size_t k = FileKey.size(); k < line.size(); ++k) {
      if (line[k] == '%' && k + 2 < line.size() && HexValue(line[k + 1]) >= 0 &&
          HexValue(line[k + 2]) >= 0) {
        name += static_cast<char>(HexValue(line[k + 1]) * 16 + HexValue(line[k + 2]));
        k += 2;
      } else {
        name += line[k];
      }
    }
    return name;
  }
  return {};
}

std::optional<TRecoveredSong> OfferOrphanedCopies(
    const std::filesystem::path& folder, const std::function<TRecoveryAnswer()>& ask,
    const std::function<void(const TDamagedCopy&)>& damaged) {
  std::vector<TRecoverySlot> orphans = TRecoverySlot::ClaimOrphans(folder);
  for (TRecoverySlot& slot : orphans) {
    TDamagedCopy damage{slot.CopyPath(), {}, {}};
    std::string text;
    try {
      text = slot.Read();
      damage.Problem = SongTextProblem(text);
    } catch (const ESongFileError& e) {
      damage.Problem = e.Detail();
    } catch (const std::exception& e) {
      damage.Problem = e.what();
    }
    if (!damage.Problem.empty()) {
      try {
        damage.SetAside = slot.SetAside();
      } catch (const std::exception& e) {
        damage.Problem += std::string("; not set aside: ") + e.what();
      }
      damaged(damage);
      continue;
    }
    switch (ask()) {
      case TRecoveryAnswer::Restore:
        return TRecoveredSong{std::move(slot), text, RecordedFileName(text)};
      case TRecoveryAnswer::Discard:
        slot.Remove();
        break;
      case TRecoveryAnswer::Later:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

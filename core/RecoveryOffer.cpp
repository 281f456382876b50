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
        return TRecoveredSong{std::move(slot), std::move(text)};
      case TRecoveryAnswer::Discard:
        slot.Remove();
        break;
      case TRecoveryAnswer::Later:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/RecoverySlot.h"

// What the user answers when a song left behind by a crash is offered back.
enum class TRecoveryAnswer {
  Restore,  // take the song back
  Discard,  // throw the copy away
  Later,    // keep the copy for another start
};

// A copy taken back: its slot now belongs to this instance and keeps its song's copy.
struct TRecoveredSong {
  TRecoverySlot Slot;
  std::string Text;
  std::string FileName;  // the song's file as the copy names it; empty for untitled
};

// What a copy holds: the song's lines and, for a song that has a file, a FILE line naming
// it, byte for byte ("%", control bytes and bytes past ASCII as %XX). Song readers pass
// over that line, so a copy still opens as a song.
std::string RecoveryCopyText(const std::string& songText, const std::string& fileName);
// The file name that a copy names; empty for an untitled song and for a copy made before
// copies named their file.
std::string RecordedFileName(std::string_view copyText);

// A copy that cannot be read or is not a song, and where it was put aside (empty when
// even that failed).
struct TDamagedCopy {
  std::filesystem::path Copy;
  std::filesystem::path SetAside;
  std::string Problem;
};

// Empty when `text` reads as a song, else what is wrong with it.
std::string SongTextProblem(const std::string& text);

// Offers the copies in `folder` that no running instance owns, newest first and one at a
// time, until one is restored or the question is put off; a discarded copy is removed and
// the next one offered. A damaged copy is set aside, never offered, and `damaged` hears of
// it. Throws ERecoveryError when the folder cannot be read.
std::optional<TRecoveredSong> OfferOrphanedCopies(
    const std::filesystem::path& folder, const std::function<TRecoveryAnswer()>& ask,
    const std::function<void(const TDamagedCopy&)>& damaged);

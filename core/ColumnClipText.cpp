#include "core/ColumnClipText.h"

#include "core/ConvertError.h"
#include "core/SongSettings.h"
#include "core/SongText.h"

std::string ColumnClipText(const TColumnClip& clip) {
  TSong song;
  song.EndColumn = clip.Width() + 1;
  PasteColumns(song, clip, 1);
  return BuildSongText(song, TSongSettingsValues{});
}

std::optional<TColumnClip> ReadColumnClipText(std::string_view text) {
  if (text.size() > MaxColumnClipText) return std::nullopt;
  TSong song;
  TSongSettings ignored;
  try {
    if (ReadSongText(SplitSongLines(text), song, ignored) != TReadResult::Done) return std::nullopt;
  } catch (const EConvertError&) {
    return std::nullopt;
  }
  if (song.EndColumn < 2) return std::nullopt;
  return CopyColumns(song, {1, song.EndColumn - 1});
}

// Untrusted song text through the reader; whatever it leaves must write out as a text that
// reads back to the very same text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/ConvertError.h"
#include "core/SongSettings.h"
#include "core/SongText.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSong song;
  TSongSettings settings;
  try {
    ReadSongText(SplitSongLines(std::string_view(reinterpret_cast<const char*>(data), size)), song,
                 settings);
  } catch (const EConvertError&) {
  }
  Check(song.EndColumn >= 1 && song.EndColumn <= WholeSongEnd);
  for (int c = 1; c <= ColumnCount; ++c) {
    int occupied = 0;
    for (int r = 1; r <= RowCount; ++r) {
      Check(song.Cell(r, c) >= 0 && song.Cell(r, c) <= NoteSoundCount);
      occupied += song.Cell(r, c) != 0;
    }
    Check(song.ColumnNoteCount[static_cast<size_t>(c)] == occupied);
  }

  const std::string first = BuildSongText(song, settings.Values);
  TSong again;
  TSongSettings againSettings;
  Check(ReadSongText(SplitSongLines(first), again, againSettings) == TReadResult::Done);
  Check(BuildSongText(again, againSettings.Values) == first);
  return 0;
}

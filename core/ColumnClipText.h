#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/SongColumns.h"

// Copied columns travel between windows as a song text: the clip's columns are the song's
// first ones and its end marker stands just after them, so that the text reads back with
// the song reader's own rules (three notes a column at most).
inline constexpr char ColumnClipMimeType[] = "application/x-pomviksequencer-columns";

// No clip text is this long; as with songs, a larger one is not read at all.
inline constexpr std::size_t MaxColumnClipText = 1 << 20;

std::string ColumnClipText(const TColumnClip& clip);

// The clip a text holds; nothing for one that is no song text or holds no column.
std::optional<TColumnClip> ReadColumnClipText(std::string_view text);

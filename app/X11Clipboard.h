#pragma once

#include <QByteArray>
#include <cstddef>
#include <optional>

// The clipboard's text as the bytes its owner offers, asked for on an X11 display through a
// connection of our own. Qt hands text over decoded, and decoding UTF8_STRING drops a
// byte-order mark: a song's bytes must reach its reader as they are. Nothing when the
// display is no X11 one, when the clipboard has no owner or offers no text, or when the
// owner does not answer in time. At most `limit` bytes are taken; more means too many.
std::optional<QByteArray> X11ClipboardText(std::size_t limit);

#pragma once

#include <QString>
#include <string>

class QUrl;

// File names are bytes; Qt's are text, decoded in the locale's encoding, and a name that is
// not valid there (not UTF-8, say) does not survive the trip. These keep the bytes.

// The name as the locale lets it be shown.
QString ShownName(const std::string& bytes);

// The file that a name shown by a dialog means. Each part of it that names nothing as the
// locale encodes it is looked up among its folder's entries as the dialog showed them; a part
// that matches none (a new file) or more than one is taken as the locale encodes it.
std::string LocalBytes(const QString& shown);

// A local file's URL, as a file manager sends it in a drop, to the file's bytes.
std::string LocalBytes(const QUrl& url);

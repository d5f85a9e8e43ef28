#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>

// The only ways the program writes its files. Either the whole change reaches the disk, or the
// file stays byte for byte as it was and the error says why; a failure is never reported as success.
namespace safefile {

// Replaces the whole content of `path` (creating it if missing) through a temporary file that is
// written, checked, flushed to disk and then renamed over the old one. A file or folder this user
// may not write is refused as AccessDenied, and so is an existing file whose permission bits grant
// no write (also when running as root). The file keeps its mode and, where allowed, its owner.
[[nodiscard]] FileError replaceFile(const QString &path, const QByteArray &data);

// Appends `data` to the existing file `path`, never creating it: the file is rewritten whole
// through replaceFile, so it ends up either as it was or with the whole block. A last line without
// a line end gets one first.
[[nodiscard]] FileError appendToFile(const QString &path, const QByteArray &data);

// Reads the file whole, or only its first `maxBytes` bytes when maxBytes >= 0.
[[nodiscard]] FileError readFile(const QString &path, QByteArray &out, qint64 maxBytes = -1);

// True when something (a file, folder or link, even a dangling one) has that name. A name that
// cannot be looked at counts as free: writing to it then fails with its own message.
bool nameTaken(const QString &path);

} // namespace safefile

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>

namespace backup {

// What an archive must hold: the UTF-8 name of every entry and the SHA-256 of its bytes.
using Checksums = QHash<QByteArray, QByteArray>;

enum class CheckOutcome { Matches, Differs, Cancelled };

// Reads the .zip archive at `path` back whole. It matches when it holds exactly the names of
// `expected`, each once, with those bytes (and libarchive's own checks pass). `afterEntry` is
// called after each entry; returning false stops the check as Cancelled.
CheckOutcome checkArchive(const QString &path, const Checksums &expected,
                          const std::function<bool()> &afterEntry = {});

} // namespace backup

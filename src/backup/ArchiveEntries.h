#pragma once

#include "Backup.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct archive;

// The entries of a backup archive as a restore takes them: shared by the archive's reading (which
// refuses a hostile one) and its unpacking.
namespace backup::entries {

inline const QByteArray kBazaPrefix = QByteArrayLiteral("База/");
inline const QByteArray kGoodsName = QByteArrayLiteral("Товары.txt");

using Reader = std::unique_ptr<archive, int (*)(archive *)>;
// The .zip at `zipPath` open for reading; null when it cannot be opened.
Reader openZip(const QString &zipPath);

// The base's own files that a restore neither takes from an archive nor moves.
bool isControlName(const QByteArray &name);

enum class Use { Restore, Skip, Refuse };
// Whether an entry named `name` (UTF-8) may be restored: "Товары.txt" or a path under "База/"
// whose every part is a plain name.
Use useOf(const QByteArray &name);

// A customer card: a ".dat" file of the base itself, not hidden.
bool isCardName(const QByteArray &inBaza);

// Unpacks the restorable entries of the archive (read through by readArchive first) into the
// open folder `staging`: each file made new there, never through a link, and holding no more than
// the size the archive claims for it. Empty when done; otherwise why not, for the operator.
QString unpack(const QString &zipPath, int staging, const Progress &progress, qint64 total, bool *cancelled);

} // namespace backup::entries

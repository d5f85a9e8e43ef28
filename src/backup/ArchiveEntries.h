#pragma once

#include "Backup.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <memory>

struct archive;
struct archive_entry;

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

// The checks every entry of an archive passes before anything of it is restored: as the archive
// is read through, and again as it is unpacked (a backup in a folder the group shares may be
// changed in between). Only ordinary files and folders named as useOf() allows, each name once,
// no file larger than the program reads (safefile::kMaxFileBytes): by the size its header claims,
// which the unpacking holds it to.
class EntryCheck {
public:
    // Why the entry whose header was just read cannot be restored, for the operator; empty when it
    // may be. Counts what it lets through to be restored.
    QString refusal(archive_entry *entry);
    qint64 bytes() const { return m_bytes; }     // the restorable files' claimed sizes together
    qint64 entries() const { return m_entries; } // the restorable files and folders

    // A card's history, "База/.history/<card>.v", which the versions window reads.
    static bool isHistory(const QByteArray &name);
    // Why the history `name` holding `bytes` cannot be restored: the program did not write it so
    // (versions one after another to its very end, each with a count of purchases a card can
    // hold). Empty when it can.
    static QString historyRefusal(const QByteArray &name, const QByteArray &bytes);

private:
    QSet<QByteArray> m_names;
    qint64 m_bytes = 0;
    qint64 m_entries = 0;
};

// Unpacks the restorable entries of the archive into the open folder `staging`, checking each
// again, and all of them together against `checkedBytes` (what readArchive found them to claim):
// each file made new there, never through a link, and holding no more than the size the archive
// claims for it. Empty when done; otherwise why not, for the operator.
QString unpack(const QString &zipPath, int staging, qint64 checkedBytes, const Progress &progress,
               qint64 total, bool *cancelled);

} // namespace backup::entries

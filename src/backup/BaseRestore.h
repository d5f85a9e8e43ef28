#pragma once

#include "Backup.h"

#include <QDateTime>
#include <QString>

// Putting a backup back: the base's contents (and "Товары.txt") replaced by an archive's.
namespace backup {

// What a base holds, to set an archive against the base it would replace.
struct BaseSummary {
    int customers = 0; // cards
    qint64 purchases = 0;
    QDateTime newest; // the newest card's time
};

struct ArchiveReading {
    bool ok = false;
    QString message; // why it cannot be restored, for the operator
    BaseSummary summary;
    qint64 unpackedBytes = 0;   // what the files restored from it claim together
    qint64 unpackedEntries = 0; // the files and folders restored from it
};

// Reads the archive through as restoring would, as hostile: it must hold only ordinary files and
// folders named "База/…" or "Товары.txt", with no ".." and no absolute names, each name once, no
// file larger than the program reads (safefile::kMaxFileBytes), every card history as the program
// writes it, and read to its end.
ArchiveReading readArchive(const QString &zipPath);
BaseSummary summarizeBase(const QString &bazaPath);

// Replaces the base's contents with the archive's; the caller is alone with the base (it holds
// the folder's presence solely, which keeps every other program off it: no lock of the folder is
// taken here). Everything below "База" is reached from one open descriptor of it and never through
// a link: a ".restore-new" or ".restore-old" that is not a folder is refused. The archive is
// unpacked into the hidden "База/.restore-new" when the base's disk has room for it, the base as
// it is goes into a backup in `safetyFolder` first, then, led by the journal
// "База/.restore-journal" (one state word, no path), the base's contents are moved aside into
// "База/.restore-old" and the unpacked ones put in their place, and the unpacked "Товары.txt"
// replaces `sources.goodsPath`: a run killed half-way is completed by finishInterruptedRestore().
// "База" itself is never made or renamed.
struct RestoreResult {
    Status status = Status::Failed;
    QString message;    // for the operator
    QString safetyCopy; // the backup of the base as it was
};
RestoreResult restoreBackup(const Sources &sources, const QString &zipPath, const QString &safetyFolder,
                            const Progress &progress = {});

// At start-up, before the base is read: completes a restore that was killed half-way, when no
// other program runs on the base, the restored "Товары.txt" going to `goodsPath`. A journal that
// is not exactly a state word (or a link, or no ordinary file) is left alone with a warning, as is
// a ".restore-…" that is not a folder. True when there was one to complete.
bool finishInterruptedRestore(const QString &bazaPath, const QString &goodsPath);

} // namespace backup

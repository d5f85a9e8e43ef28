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
};

// Reads the archive through as restoring would: it must hold only ordinary files and folders
// named "База/…" or "Товары.txt", with no ".." and no absolute names, and read to its end.
ArchiveReading readArchive(const QString &zipPath);
BaseSummary summarizeBase(const QString &bazaPath);

// Replaces the base's contents with the archive's; the caller is alone with the base (it holds
// the folder's presence solely). The archive is unpacked into the hidden "База/.restore-new" with
// libarchive's secure flags, the base as it is goes into a backup in `safetyFolder` first, then,
// under the folder's lock and led by the journal "База/.restore-journal", the base's contents are
// moved aside into "База/.restore-old" and the unpacked ones put in their place: a run killed
// half-way is completed by finishInterruptedRestore(). "База" itself is never made or renamed.
struct RestoreResult {
    Status status = Status::Failed;
    QString message;    // for the operator
    QString safetyCopy; // the backup of the base as it was
};
RestoreResult restoreBackup(const Sources &sources, const QString &zipPath, const QString &safetyFolder,
                            const Progress &progress = {});

// At start-up, before the base is read: completes a restore that was killed half-way, when no
// other program runs on the base. True when there was one to complete.
bool finishInterruptedRestore(const QString &bazaPath);

} // namespace backup

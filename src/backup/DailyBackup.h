#pragma once

#include "Backup.h"

#include <QDate>
#include <QString>

namespace backup {

enum class DailyStatus {
    Done,
    SkippedBusy, // another till is making it now
    SkippedDone, // today's backup is there already
    Failed,
    Cancelled,
};

struct DailyResult {
    DailyStatus status = DailyStatus::Failed;
    QString message; // for the operator, in Russian; empty when cancelled
};

// The automatic backup: at most one a day ("Тарвеско <date>.zip", see Rotation.h) and by one till
// at a time. Holds the hidden lock file ".tarvesko-backup.lock" of `backupFolder` (taken at once
// or not at all) while it makes today's backup as writeBackup does and then removes the old ones
// the rotation rule gives up. The folder is made when missing, writable by the group when the
// folder above it is, as are the backups, so that the other till's user may remove them later.
DailyResult runIfDue(const Sources &sources, const QString &backupFolder, QDate today,
                     const Progress &progress = {});

// A failed automatic backup is told once a day: the day it was last told is kept in the hidden
// file ".tarvesko-backup-told" of `backupFolder`. True when it was not told on `today` yet; it is
// then noted as told. Where no note can be kept, it is told every time.
bool firstFailureNotice(const QString &backupFolder, QDate today);

} // namespace backup

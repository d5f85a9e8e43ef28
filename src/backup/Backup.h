#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// A backup of the customer base: one .zip holding "База/<path>" for every file of the data folder
// (hidden history folders too; temporaries and lock files left out) and "Товары.txt". Cards need
// no lock to be read: each one is replaced whole by a rename, so a backup made while tills work
// holds every card either as it was or as it is.
namespace backup {

struct Sources {
    QString bazaPath;  // the data folder "База"
    QString goodsPath; // "Товары.txt"; not in the backup when it is missing
};

// Called as the backup goes on with `done` of `total` steps: each file is one step when it is
// written and one more when it is checked. Called a few hundred times at most, from the thread
// the backup runs on. Returning false cancels the backup.
using Progress = std::function<bool(qint64 done, qint64 total)>;

enum class Status { Done, Cancelled, Failed };

struct Result {
    Status status = Status::Failed;
    QString message; // what the operator is told; empty when cancelled
    qint64 files = 0;
    qint64 archiveBytes = 0;
};

// Writes the backup to `zipPath` (an existing file there is replaced): into a temporary file
// beside it, flushed to the disk and read back from the disk, every entry's bytes compared with
// those read from the data folder; only then does it take the name. On failure or cancelling
// `zipPath` is untouched and the temporary removed. Uses no QObject: it may run on any thread.
Result writeBackup(const Sources &sources, const QString &zipPath, const Progress &progress = {});

} // namespace backup

#pragma once

#include "Backup.h"
#include "BaseRestore.h"
#include "DailyBackup.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <functional>

class BasePresence;

// Work on the whole base beside the window: the operator's backup or restore, one at a time, with
// its progress; and the automatic backup of the day on a low-priority thread of its own. The
// window shows the progress and tells the results.
class Backups final : public QObject {
    Q_OBJECT

public:
    Backups(backup::Sources sources, BasePresence &presence, QObject *parent = nullptr);
    ~Backups() override;

    // Where the automatic backups go: "Резервные копии" beside the data folder as it really is (an
    // installed program's "База" leads to the shared folder the tills write in). Empty when the
    // data folder cannot be reached.
    QString dailyFolder() const;

    // The automatic backup of the day; main() starts it once. dailyEnded() follows, unless stopped.
    void startDaily();
    // Ends it, leaving nothing behind: the next start makes it.
    void stopDaily();

    // The operator's backup or restore is under way.
    bool isBusy() const { return bool(m_afterWork); }
    // Writes a checked backup to `zipPath`; backupDone() follows.
    void startBackup(const QString &zipPath);

    // What a restore from `zipPath` would put in place of what the base holds now.
    struct RestorePreview {
        backup::ArchiveReading archive;
        backup::BaseSummary base;
    };
    RestorePreview previewRestore(const QString &zipPath) const;
    // Replaces the base with the backup `zipPath`, alone with it: no other till may run meanwhile,
    // and none can start. restoreDone() follows when it started.
    enum class RestoreStart { Started, Busy, OthersRun, NoFolder };
    RestoreStart startRestore(const QString &zipPath);

    // The operator's "Отмена": the work stops as soon as it safely can and tells how it ended.
    void cancel();
    // Ends all work under way, its result untold (the program is closing).
    void stop();

signals:
    void progressRange(int minimum, int maximum);
    void progressValue(int value);
    void backupDone(const QString &zipPath, const backup::Result &result);
    // The base is back among the other tills' whatever came of it.
    void restoreDone(const QString &zipPath, const backup::RestoreResult &result);
    // The automatic backup failed, told once a day: the next start tries again.
    void dailyFailed(const QString &message);
    // The automatic backup ended (not stopped) and what came of it was told.
    void dailyEnded();

private:
    template <typename Result>
    void run(std::function<Result(const backup::Progress &)> work, std::function<void(const Result &)> then);
    void workDone();
    void dailyDone();

    backup::Sources m_sources;
    BasePresence &m_presence;
    QThreadPool m_dailyPool;
    QFutureWatcher<backup::DailyResult> m_daily;
    QFutureWatcher<void> m_work;
    std::function<void()> m_afterWork;
};

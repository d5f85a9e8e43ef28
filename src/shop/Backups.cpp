#include "Backups.h"

#include "BasePresence.h"
#include "OwnFolder.h"
#include "SafeFile.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrentRun>

#include <climits>
#include <memory>

Backups::Backups(backup::Sources sources, BasePresence &presence, QObject *parent)
    : QObject(parent), m_sources(std::move(sources)), m_presence(presence)
{
    m_dailyPool.setMaxThreadCount(1);
    m_dailyPool.setThreadPriority(QThread::LowPriority);
    connect(&m_daily, &QFutureWatcherBase::finished, this, &Backups::dailyDone);
    connect(&m_work, &QFutureWatcherBase::finished, this, &Backups::workDone);
    connect(&m_work, &QFutureWatcherBase::progressRangeChanged, this, &Backups::progressRange);
    connect(&m_work, &QFutureWatcherBase::progressValueChanged, this, &Backups::progressValue);
}

Backups::~Backups()
{
    stop();
}

QString Backups::dailyFolder() const
{
    // Only through links nobody but their folder's owner could have laid.
    QString real;
    if (!ownfolder::openPath(QDir::cleanPath(m_sources.bazaPath), &real).isOpen())
        return QString();
    return QFileInfo(QFileInfo(real).absoluteFilePath()).dir().filePath(QStringLiteral("Резервные копии"));
}

// Runs `work` beside the window; `then` gets its result on this object's thread. cancel() makes
// the work's progress calls answer false; stop() drops `then`.
template <typename Result>
void Backups::run(std::function<Result(const backup::Progress &)> work,
                  std::function<void(const Result &)> then)
{
    // The result goes beside the future: a cancelled future drops what is reported to it, but a
    // restore past the point of no return still tells how it ended.
    auto result = std::make_shared<Result>();
    m_afterWork = [result, then = std::move(then)] { then(*result); };
    m_work.setFuture(QtConcurrent::run([result, work = std::move(work)](QPromise<void> &promise) {
        *result = work([&promise, range = -1](qint64 done, qint64 total) mutable {
            if (const int steps = int(std::min<qint64>(total, INT_MAX)); steps != range)
                promise.setProgressRange(0, range = steps);
            promise.setProgressValue(int(std::min<qint64>(done, INT_MAX)));
            return !promise.isCanceled();
        });
    }));
}

void Backups::workDone()
{
    if (const std::function<void()> then = std::exchange(m_afterWork, nullptr))
        then();
}

void Backups::cancel()
{
    m_work.cancel();
}

void Backups::stop()
{
    m_afterWork = nullptr;
    m_work.cancel();
    m_work.waitForFinished();
    if (m_presence.isAlone())
        m_presence.rejoin();
    stopDaily();
}

void Backups::startBackup(const QString &zipPath)
{
    if (isBusy())
        return; // one at a time
    run<backup::Result>(
        [sources = m_sources, zipPath](const backup::Progress &progress) {
            safefile::removeLeftovers(QFileInfo(zipPath).absolutePath()); // what a killed backup left
            return backup::writeBackup(sources, zipPath, progress);
        },
        [this, zipPath](const backup::Result &result) { emit backupDone(zipPath, result); });
}

Backups::RestorePreview Backups::previewRestore(const QString &zipPath) const
{
    return {backup::readArchive(zipPath), backup::summarizeBase(m_sources.bazaPath)};
}

Backups::RestoreStart Backups::startRestore(const QString &zipPath)
{
    if (isBusy())
        return RestoreStart::Busy;
    // Alone with the base, or not at all: the other tills would write into what is replaced.
    switch (m_presence.takeAlone()) {
    case BasePresence::Alone::Taken:
        break;
    case BasePresence::Alone::OthersRun:
        return RestoreStart::OthersRun;
    case BasePresence::Alone::NoFolder:
        return RestoreStart::NoFolder;
    }
    stopDaily();
    const QString folder = dailyFolder();
    const QString safety = folder.isEmpty() ? QFileInfo(QDir::cleanPath(m_sources.bazaPath)).path() : folder;
    run<backup::RestoreResult>(
        [sources = m_sources, zipPath, safety](const backup::Progress &progress) {
            return backup::restoreBackup(sources, zipPath, safety, progress);
        },
        [this, zipPath](const backup::RestoreResult &restored) {
            m_presence.rejoin();
            emit restoreDone(zipPath, restored);
        });
    return RestoreStart::Started;
}

void Backups::startDaily()
{
    const QString folder = dailyFolder();
    if (folder.isEmpty() || m_daily.isRunning())
        return; // no data folder: nothing to keep
    m_daily.setFuture(QtConcurrent::run(
        &m_dailyPool, [sources = m_sources, folder](QPromise<backup::DailyResult> &promise) {
            promise.addResult(backup::runIfDue(sources, folder, QDate::currentDate(),
                                               [&promise](qint64, qint64) { return !promise.isCanceled(); }));
        }));
}

void Backups::stopDaily()
{
    m_daily.cancel();
    m_daily.waitForFinished();
}

void Backups::dailyDone()
{
    if (m_daily.isCanceled() || m_daily.future().resultCount() == 0)
        return; // stopped
    const backup::DailyResult result = m_daily.result();
    // Told once a day, in a line that covers nothing; the next start tries again.
    if (result.status == backup::DailyStatus::Failed &&
        backup::firstFailureNotice(dailyFolder(), QDate::currentDate()))
        emit dailyFailed(result.message);
    emit dailyEnded();
}

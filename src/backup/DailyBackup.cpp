#include "DailyBackup.h"

#include "FileLock.h"
#include "Rotation.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>

namespace backup {

namespace {

DailyResult failed(const QString &why)
{
    return {DailyStatus::Failed, QStringLiteral("Резервная копия не записана: ") + why};
}

} // namespace

DailyResult runIfDue(const Sources &sources, const QString &backupFolder, QDate today,
                     const Progress &progress)
{
    if (safefile::makeFolder(backupFolder) != FileError::None)
        return failed(QStringLiteral("папку \"%1\" создать не возможно.").arg(backupFolder));
    const QDir folder(backupFolder);
    const std::optional<FileLock> lock =
        FileLock::acquire(folder.filePath(QStringLiteral(".tarvesko-backup.lock")), FileLock::kWholeFolder,
                          std::chrono::milliseconds(0));
    if (!lock && errno == EWOULDBLOCK)
        return {DailyStatus::SkippedBusy, QStringLiteral("Резервную копию сейчас делает другая касса.")};
    if (!lock)
        return failed(QStringLiteral("нет доступа к папке \"%1\".").arg(backupFolder));
    const QString target = folder.filePath(dailyBackupName(today));
    if (safefile::nameTaken(target))
        return {DailyStatus::SkippedDone, QStringLiteral("Резервная копия за сегодня уже есть.")};

    safefile::removeLeftovers(backupFolder); // what a killed backup left
    const Result written = writeBackup(sources, target, progress);
    if (written.status != Status::Done)
        return {written.status == Status::Cancelled ? DailyStatus::Cancelled : DailyStatus::Failed,
                written.message};
    const QStringList names = folder.entryList(QDir::Files | QDir::NoSymLinks);
    for (const QString &name : backupsToRemove(names))
        QFile::remove(folder.filePath(name));
    return {DailyStatus::Done, written.message};
}

bool firstFailureNotice(const QString &backupFolder, QDate today)
{
    const QString note = QDir(backupFolder).filePath(QStringLiteral(".tarvesko-backup-told"));
    const QByteArray day = today.toString(Qt::ISODate).toLatin1();
    QByteArray told;
    if (safefile::readFile(note, told, 64) == FileError::None && told == day)
        return false;
    [[maybe_unused]] const FileError noted = safefile::replaceFile(note, day);
    return true;
}

} // namespace backup

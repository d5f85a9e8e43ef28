#include "BaseRestore.h"

#include "ArchiveEntries.h"
#include "CardFile.h"
#include "FileLock.h"
#include "FileName.h"
#include "OwnFolder.h"
#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace backup {
namespace {

using namespace entries;

constexpr char kJournal[] = ".restore-journal";
constexpr char kNew[] = ".restore-new";
constexpr char kOld[] = ".restore-old";
// The journal's whole content: the step a restore has reached. Nothing else is ever in it.
const QByteArray kMovingOld = QByteArrayLiteral("old");
const QByteArray kPuttingNew = QByteArrayLiteral("new");

// Whether the one who began the restore could have written the goods file himself: its owner,
// root, or (where the file lets the group write) any member of the group. A journal anyone of the
// group may forge must not give him a file he could not write.
bool goodsWritableByRestorer(int baza, const QString &goodsPath)
{
    struct stat journal {};
    struct stat goods {};
    if (::fstatat(baza, kJournal, &journal, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (::lstat(filename::encode(goodsPath).constData(), &goods) != 0)
        return errno == ENOENT;
    return journal.st_uid == 0 || journal.st_uid == goods.st_uid || (goods.st_mode & S_IWGRP);
}

// Moves every entry of the open folder `from` but the control names into the open folder `to`,
// which must not have them yet.
bool moveAll(int from, int to)
{
    const std::optional<QList<QByteArray>> listed = ownfolder::names(from);
    if (!listed)
        return false;
    bool ok = true;
    for (const QByteArray &name : *listed) {
        if (!isControlName(name))
            ok &= ::renameat(from, name.constData(), to, name.constData()) == 0;
    }
    return ok && ::fsync(to) == 0 && ::fsync(from) == 0;
}

QString journalPath(const QString &bazaPath)
{
    return QDir(bazaPath).filePath(QLatin1String(kJournal));
}

// The rest of a restore once the unpacked base is whole, as the journal `phase` says: the base's
// contents moved aside ("old"), the unpacked ones put in ("new"), "Товары.txt", then tidying up.
bool complete(int baza, const QString &bazaPath, const QByteArray &phase, const QString &goodsPath)
{
    // Nothing is moved unless the unpacked base is there, a folder of the restore's own.
    const UniqueFd staged = ownfolder::open(baza, kNew, false);
    const UniqueFd stagedBaza =
        staged.isOpen() ? ownfolder::open(staged.get(), kBazaPrefix.chopped(1), false) : UniqueFd();
    if (!stagedBaza.isOpen())
        return false;
    if (phase == kMovingOld) {
        const UniqueFd old = ownfolder::open(baza, kOld, true);
        if (!old.isOpen() || !moveAll(baza, old.get()) ||
            safefile::replaceFile(journalPath(bazaPath), kPuttingNew) != FileError::None)
            return false;
    }
    if (!moveAll(stagedBaza.get(), baza))
        return false;
    if (!goodsPath.isEmpty()) {
        QByteArray goods;
        const FileError read = safefile::readFile(staged.get(), kGoodsName.constData(), goods);
        if (read == FileError::None && !goodsWritableByRestorer(baza, goodsPath))
            qWarning("The restored goods file is left out: whoever began the restore may not write it.");
        else if (read == FileError::None && safefile::replaceFile(goodsPath, goods) != FileError::None)
            return false;
        else if (read != FileError::None && read != FileError::NotFound)
            return false; // an archive without "Товары.txt" leaves the goods as they are
    }
    ::unlinkat(baza, kJournal, 0);
    ::fsync(baza);
    ownfolder::remove(baza, kOld);
    ownfolder::remove(baza, kNew);
    return true;
}

// Whether the base's disk has room for the archive's files, a block each at least.
QString roomFor(int baza, const ArchiveReading &reading)
{
    struct statvfs disk {};
    if (::fstatvfs(baza, &disk) != 0)
        return QString(); // not known: the unpacking itself stops on a full disk
    const qint64 needed = reading.unpackedBytes + reading.unpackedEntries * qint64(disk.f_frsize);
    const qint64 free = qint64(disk.f_bavail) * qint64(disk.f_frsize);
    if (needed <= free && (disk.f_files == 0 || reading.unpackedEntries <= qint64(disk.f_favail)))
        return QString();
    return QStringLiteral("на диске базы не хватает места: копии нужно %1 МБ, свободно %2 МБ.")
        .arg((needed >> 20) + 1)
        .arg(free >> 20);
}

// Makes the restore's own names free: a folder an earlier attempt left goes; a link or anything
// but a folder in its place was put there by someone else and is refused, never entered or
// removed through. A journal left means a restore not yet completed.
QString freeOwnNames(int baza)
{
    // The folders may hold what that restore still needs: nothing is removed.
    if (struct stat st{}; ::fstatat(baza, kJournal, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return QStringLiteral("в папке базы есть \"%1\" незавершённого восстановления. Перезапустите "
                              "программу; если файл останется, удалите его.")
            .arg(QLatin1String(kJournal));
    for (const char *name : {kNew, kOld}) {
        struct stat st {};
        if (::fstatat(baza, name, &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            continue;
        if (!S_ISDIR(st.st_mode))
            return QStringLiteral("в папке базы \"%1\" — ссылка или файл, а не папка программы. Удалите "
                                  "её и повторите.")
                .arg(QLatin1String(name));
        if (!ownfolder::remove(baza, name))
            return QStringLiteral("папку \"%1\" в папке базы удалить не удалось.").arg(QLatin1String(name));
    }
    return QString();
}

// Removes what an earlier restore left under `name`; anything but a folder there is not its own
// and stays.
void removeLeftover(int baza, const char *name)
{
    struct stat st {};
    if (::fstatat(baza, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        ownfolder::remove(baza, name);
    else
        qWarning("The data folder's \"%s\" is no folder of a restore: left alone.", name);
}

} // namespace

BaseSummary summarizeBase(const QString &bazaPath)
{
    BaseSummary summary;
    const UniqueFd baza = ownfolder::openPath(bazaPath);
    const std::optional<QList<QByteArray>> listed =
        baza.isOpen() ? ownfolder::names(baza.get()) : std::nullopt;
    for (const QByteArray &name : listed.value_or(QList<QByteArray>())) {
        QByteArray bytes;
        struct stat st {};
        if (!isCardName(name) || ::fstatat(baza.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) ||
            safefile::readFile(baza.get(), name.constData(), bytes) != FileError::None)
            continue;
        ++summary.customers;
        summary.purchases += cardfile::parse(bytes).pokupki.size();
        const QDateTime when = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
        if (!summary.newest.isValid() || when > summary.newest)
            summary.newest = when;
    }
    return summary;
}

RestoreResult restoreBackup(const Sources &sources, const QString &zipPath, const QString &safetyFolder,
                            const Progress &progress)
{
    RestoreResult result;
    const ArchiveReading reading = readArchive(zipPath);
    if (!reading.ok) {
        result.message = reading.message;
        return result;
    }
    const auto notBegun = [&result](const QString &why) {
        result.message = QStringLiteral("Восстановление не начато: ") + why;
        return result;
    };
    const UniqueFd baza = ownfolder::openPath(sources.bazaPath);
    if (!baza.isOpen())
        return notBegun(QStringLiteral("папки \"База\" нет."));
    if (const QString why = roomFor(baza.get(), reading); !why.isEmpty())
        return notBegun(why);
    if (const QString why = freeOwnNames(baza.get()); !why.isEmpty())
        return notBegun(why);
    const UniqueFd staging = ownfolder::open(baza.get(), kNew, true);
    if (!staging.isOpen())
        return notBegun(QStringLiteral("в папке базы нет доступа для записи."));
    // The steps: the unpacked files, then as many for the copy of the base as it is.
    const qint64 total = reading.summary.customers + 2;
    bool cancelled = false;
    const QString unpacked =
        unpack(zipPath, staging.get(), reading.unpackedBytes, progress, 2 * total, &cancelled);
    if (cancelled || !unpacked.isEmpty()) {
        ownfolder::remove(baza.get(), kNew);
        result.status = cancelled ? Status::Cancelled : Status::Failed;
        return cancelled ? result : notBegun(unpacked);
    }

    // The base as it is now, kept before anything of it changes.
    result.safetyCopy =
        QDir(safetyFolder)
            .filePath(QStringLiteral("Тарвеско перед восстановлением %1.zip")
                          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"))));
    const Result saved =
        safefile::makeFolder(safetyFolder) == FileError::None
            ? writeBackup(sources, result.safetyCopy,
                          [&](qint64 done, qint64 all) {
                              return !progress ||
                                     progress(total + done * total / std::max<qint64>(all, 1), 2 * total);
                          })
            : Result{Status::Failed, QStringLiteral("папку \"%1\" создать не возможно.").arg(safetyFolder), 0,
                     0};
    if (saved.status != Status::Done) {
        ownfolder::remove(baza.get(), kNew);
        result.status = saved.status;
        if (saved.status == Status::Cancelled)
            return result;
        return notBegun(QStringLiteral("копию нынешней базы записать не удалось.\r\n") + saved.message);
    }

    // The journal goes through the safe write, under its own file's lock: the sole presence the
    // caller holds already keeps every other program off the base.
    if (safefile::replaceFile(journalPath(sources.bazaPath), kMovingOld) != FileError::None) {
        ownfolder::remove(baza.get(), kNew);
        return notBegun(QStringLiteral("папка базы защищена от записи."));
    }
    if (!complete(baza.get(), sources.bazaPath, kMovingOld, sources.goodsPath)) {
        result.message =
            QStringLiteral("Восстановление прервано: файлы базы переместить не удалось. Оно будет "
                           "завершено при следующем запуске программы.");
        return result;
    }
    result.status = Status::Done;
    return result;
}

bool finishInterruptedRestore(const QString &bazaPath, const QString &goodsPath)
{
    const std::optional<FileLock> alone = FileLock::presence(lockFileOf(bazaPath), true);
    if (!alone)
        return false; // another program runs on the base: it may be restoring right now
    const UniqueFd baza = ownfolder::openPath(bazaPath);
    if (!baza.isOpen())
        return false;
    QByteArray journal;
    // One byte more than the longest word: a longer file is no journal of the program's.
    const FileError read = safefile::readFile(baza.get(), kJournal, journal,
                                              std::max(kMovingOld.size(), kPuttingNew.size()) + 1);
    if (read != FileError::None) {
        if (read != FileError::NotFound) {
            qWarning("The data folder's \"%s\" is no journal of a restore: left alone.", kJournal);
            return false;
        }
        // No journal: what a restore that never began, or that was tidying up, left.
        removeLeftover(baza.get(), kNew);
        removeLeftover(baza.get(), kOld);
        return false;
    }
    if (journal != kMovingOld && journal != kPuttingNew) {
        qWarning("The data folder's \"%s\" is no journal of a restore: left alone.", kJournal);
        return false;
    }
    if (complete(baza.get(), bazaPath, journal, goodsPath))
        return true;
    qWarning("A restore of the data folder could not be completed; it is tried again at the next start.");
    return false;
}

} // namespace backup

#include "BaseRestore.h"

#include "CardFile.h"
#include "FileLock.h"
#include "FileName.h"
#include "SafeFile.h"
#include "Utf8Locale.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace backup {
namespace {

constexpr char kJournal[] = ".restore-journal";
constexpr char kNew[] = ".restore-new";
constexpr char kOld[] = ".restore-old";
const QByteArray kBazaPrefix = QByteArrayLiteral("База/");
const QByteArray kGoodsName = QByteArrayLiteral("Товары.txt");

using Reader = std::unique_ptr<archive, int (*)(archive *)>;

Reader openZip(const QString &zipPath)
{
    Reader reader(archive_read_new(), archive_read_free);
    if (!reader || archive_read_support_format_zip(reader.get()) != ARCHIVE_OK ||
        archive_read_open_filename(reader.get(), filename::encode(zipPath).constData(), 64 * 1024) !=
            ARCHIVE_OK)
        return Reader(nullptr, archive_read_free);
    return reader;
}

// The base's own files that a restore neither takes from an archive nor moves.
bool isControlName(const QByteArray &name)
{
    return name == ".tarvesko.lock" || name.startsWith(".restore-") || name.startsWith(".~");
}

enum class EntryUse { Restore, Skip, Refuse };

// Whether an entry named `name` (UTF-8) may be restored: "Товары.txt" or a path under "База/"
// whose every part is a plain name.
EntryUse useOf(const QByteArray &name)
{
    if (name == kGoodsName)
        return EntryUse::Restore;
    if (!name.startsWith(kBazaPrefix) || name.size() == kBazaPrefix.size())
        return name == kBazaPrefix ? EntryUse::Skip : EntryUse::Refuse;
    QList<QByteArray> parts = name.mid(kBazaPrefix.size()).split('/');
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast(); // a folder's trailing '/'
    for (const QByteArray &part : parts)
        if (part.isEmpty() || part == "." || part == "..")
            return EntryUse::Refuse;
    return isControlName(parts.first()) ? EntryUse::Skip : EntryUse::Restore;
}

bool isCardName(const QByteArray &inBaza)
{
    return !inBaza.contains('/') && !inBaza.startsWith('.') && inBaza.toLower().endsWith(".dat");
}

QString notABackup(const QString &zipPath, const QString &why)
{
    return QStringLiteral("Файл \"%1\" восстановить не возможно: %2")
        .arg(QDir::toNativeSeparators(zipPath), why);
}

// Moves every entry of `from` but the control names into `to`, which must not have them yet.
bool moveAll(const QByteArray &from, const QByteArray &to)
{
    DIR *dir = ::opendir(from.constData());
    if (!dir)
        return false;
    bool ok = true;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == ".." || isControlName(name))
            continue;
        ok &= ::rename((from + '/' + name).constData(), (to + '/' + name).constData()) == 0;
    }
    ::closedir(dir);
    const UniqueFd folder(::open(to.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return ok && folder.isOpen() && ::fsync(folder.get()) == 0;
}

// Writes the journal whole (a temporary file flushed, then renamed), without the folder's lock
// machinery: the restore holds the folder's lock itself.
bool writeJournal(const QByteArray &baza, const QByteArray &text)
{
    const QByteArray path = baza + '/' + kJournal;
    const QByteArray temporary = path + ".tmp";
    const UniqueFd fd(
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.isOpen() || ::write(fd.get(), text.constData(), size_t(text.size())) != text.size() ||
        ::fsync(fd.get()) != 0 || ::rename(temporary.constData(), path.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    const UniqueFd folder(::open(baza.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.isOpen() && ::fsync(folder.get()) == 0;
}

// The rest of a restore once the unpacked base is whole, as the journal `phase` says: the base's
// contents moved aside ("old"), the unpacked ones put in ("new"), "Товары.txt", then tidying up.
bool complete(const QString &bazaPath, QByteArray phase, const QString &goodsPath)
{
    const QByteArray baza = filename::encode(QDir::cleanPath(bazaPath));
    const QByteArray journal = baza + '/' + kJournal;
    if (phase == "old") {
        if ((::mkdir((baza + '/' + kOld).constData(), 0700) != 0 && errno != EEXIST) ||
            !moveAll(baza, baza + '/' + kOld) || !writeJournal(baza, "new\n" + goodsPath.toUtf8()))
            return false;
        phase = "new";
    }
    if (phase != "new" || !moveAll(baza + '/' + kNew + '/' + kBazaPrefix.chopped(1), baza))
        return false;
    QByteArray goods;
    const QString staged = bazaPath + QLatin1String(kNew) + QStringLiteral("/Товары.txt");
    if (!goodsPath.isEmpty() && safefile::nameTaken(staged) &&
        (safefile::readFile(staged, goods) != FileError::None ||
         safefile::replaceFile(goodsPath, goods) != FileError::None))
        return false;
    ::unlink(journal.constData());
    QDir(bazaPath + QLatin1String(kOld)).removeRecursively();
    QDir(bazaPath + QLatin1String(kNew)).removeRecursively();
    return true;
}

// Gives what the archive unpacked the group's write where the base has it, as the program's own
// writes do, so the other tills' users may change the restored cards.
void shareLikeBase(const QString &bazaPath, const QString &staging)
{
    struct stat base {};
    if (::stat(filename::encode(bazaPath).constData(), &base) != 0 || !(base.st_mode & S_IWGRP))
        return;
    QDirIterator it(staging, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = filename::encode(it.next());
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
            ::chmod(path.constData(), (st.st_mode & 07777) | S_IRGRP | S_IWGRP |
                                          (S_ISDIR(st.st_mode) ? (S_IXGRP | (base.st_mode & S_ISGID)) : 0));
    }
}

// Unpacks the archive into `staging` with libarchive's secure flags (names checked before).
QString unpack(const QString &zipPath, const QString &staging, const Progress &progress, qint64 total,
               bool *cancelled)
{
    const Utf8Locale utf8;
    const Reader reader = openZip(zipPath);
    const std::unique_ptr<archive, int (*)(archive *)> disk(archive_write_disk_new(), archive_write_free);
    if (!reader || !disk)
        return QStringLiteral("архив не открывается.");
    archive_write_disk_set_options(disk.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                   ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                   ARCHIVE_EXTRACT_NO_OVERWRITE);
    const QByteArray root = filename::encode(staging) + '/';
    archive_entry *entry = nullptr;
    qint64 done = 0;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char *utf8Name = archive_entry_pathname_utf8(entry);
        const QByteArray name(utf8Name ? utf8Name : "");
        const auto type = archive_entry_filetype(entry);
        if (useOf(name) != EntryUse::Restore || (type != AE_IFREG && type != AE_IFDIR) ||
            archive_entry_hardlink(entry))
            continue;
        archive_entry_copy_pathname(entry, (root + name).constData());
        archive_entry_set_perm(entry, type == AE_IFDIR ? 0755 : 0644);
        if (archive_write_header(disk.get(), entry) != ARCHIVE_OK)
            return QStringLiteral("файл \"%1\" записать не возможно.").arg(QString::fromUtf8(name));
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        while ((status = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK)
            if (archive_write_data_block(disk.get(), block, size, offset) < ARCHIVE_OK)
                return QStringLiteral("файл \"%1\" записать не возможно: на диске нет места?")
                    .arg(QString::fromUtf8(name));
        if (status != ARCHIVE_EOF || archive_write_finish_entry(disk.get()) != ARCHIVE_OK)
            return QStringLiteral("архив повреждён.");
        if (progress && !progress(++done, total)) {
            *cancelled = true;
            return QString();
        }
    }
    return status == ARCHIVE_EOF ? QString() : QStringLiteral("архив повреждён.");
}

} // namespace

ArchiveReading readArchive(const QString &zipPath)
{
    ArchiveReading result;
    const Utf8Locale utf8;
    const Reader reader = openZip(zipPath);
    if (!reader) {
        result.message = notABackup(zipPath, QStringLiteral("это не архив ZIP или он не читается."));
        return result;
    }
    archive_entry *entry = nullptr;
    bool hasBaza = false;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char *utf8Name = archive_entry_pathname_utf8(entry);
        const QByteArray name(utf8Name ? utf8Name : "");
        const EntryUse use = useOf(name);
        const auto type = archive_entry_filetype(entry);
        if (use == EntryUse::Refuse || (type != AE_IFREG && type != AE_IFDIR) ||
            archive_entry_hardlink(entry)) {
            result.message = notABackup(
                zipPath,
                QStringLiteral("в нём есть \"%1\" — не файл базы Тарвеско.").arg(QString::fromUtf8(name)));
            return result;
        }
        hasBaza |= name.startsWith(kBazaPrefix);
        const QByteArray inBaza = name.mid(kBazaPrefix.size());
        if (use == EntryUse::Restore && name.startsWith(kBazaPrefix) && isCardName(inBaza)) {
            const la_int64_t size = archive_entry_size(entry);
            if (size < 0 || size > safefile::kMaxFileBytes) {
                result.message = notABackup(
                    zipPath,
                    QStringLiteral("карточка \"%1\" слишком велика.").arg(QString::fromUtf8(inBaza)));
                return result;
            }
            QByteArray bytes(qsizetype(size), Qt::Uninitialized);
            if (archive_read_data(reader.get(), bytes.data(), size_t(size)) != size)
                break;
            ++result.summary.customers;
            result.summary.purchases += cardfile::parse(bytes).pokupki.size();
            const QDateTime when = QDateTime::fromSecsSinceEpoch(archive_entry_mtime(entry));
            if (!result.summary.newest.isValid() || when > result.summary.newest)
                result.summary.newest = when;
        } else if (archive_read_data_skip(reader.get()) != ARCHIVE_OK) {
            break;
        }
    }
    if (status != ARCHIVE_EOF)
        result.message = notABackup(zipPath, QStringLiteral("архив повреждён или записан не до конца."));
    else if (!hasBaza)
        result.message = notABackup(zipPath, QStringLiteral("в нём нет папки \"База\"."));
    else
        result.ok = true;
    return result;
}

BaseSummary summarizeBase(const QString &bazaPath)
{
    BaseSummary summary;
    const QByteArray baza = filename::encode(bazaPath);
    DIR *dir = ::opendir(baza.constData());
    if (!dir)
        return summary;
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        QByteArray bytes;
        struct stat st {};
        if (!isCardName(name) || ::lstat((baza + name).constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            safefile::readFile(filename::decode(baza + name), bytes) != FileError::None)
            continue;
        ++summary.customers;
        summary.purchases += cardfile::parse(bytes).pokupki.size();
        const QDateTime when = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec);
        if (!summary.newest.isValid() || when > summary.newest)
            summary.newest = when;
    }
    ::closedir(dir);
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
    // Unpacked where the base really is: the secure flags refuse a path through a link, and an
    // installed program reaches its base through one.
    const QString realBaza = QFileInfo(QDir::cleanPath(sources.bazaPath)).canonicalFilePath();
    if (realBaza.isEmpty()) {
        result.message = QStringLiteral("Восстановление не начато: папки \"База\" нет.");
        return result;
    }
    const QString staging = realBaza + QLatin1Char('/') + QLatin1String(kNew);
    QDir(staging).removeRecursively(); // what an earlier attempt left
    if (!QDir().mkpath(staging)) {
        result.message = QStringLiteral("Восстановление не начато: в папке базы нет доступа для записи.");
        return result;
    }
    // The steps: the unpacked files, then as many for the copy of the base as it is.
    const qint64 total = reading.summary.customers + 2;
    bool cancelled = false;
    const QString unpacked = unpack(zipPath, staging, progress, 2 * total, &cancelled);
    if (cancelled || !unpacked.isEmpty()) {
        QDir(staging).removeRecursively();
        result.status = cancelled ? Status::Cancelled : Status::Failed;
        result.message = cancelled ? QString() : QStringLiteral("Восстановление не начато: ") + unpacked;
        return result;
    }
    shareLikeBase(sources.bazaPath, staging);

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
        QDir(staging).removeRecursively();
        result.status = saved.status;
        result.message =
            saved.status == Status::Cancelled
                ? QString()
                : QStringLiteral("Восстановление не начато: копию нынешней базы записать не удалось.\r\n") +
                      saved.message;
        return result;
    }

    const std::optional<FileLock> lock =
        FileLock::acquire(lockFileOf(sources.bazaPath), FileLock::kWholeFolder);
    const QString goods =
        sources.goodsPath.isEmpty() ? QString() : QFileInfo(sources.goodsPath).absoluteFilePath();
    if (!lock ||
        !writeJournal(filename::encode(QDir::cleanPath(sources.bazaPath)), "old\n" + goods.toUtf8())) {
        QDir(staging).removeRecursively();
        result.message =
            QStringLiteral("Восстановление не начато: папка базы занята или защищена от записи.");
        return result;
    }
    if (!complete(sources.bazaPath, "old", goods)) {
        result.message =
            QStringLiteral("Восстановление прервано: файлы базы переместить не удалось. Оно будет "
                           "завершено при следующем запуске программы.");
        return result;
    }
    result.status = Status::Done;
    return result;
}

bool finishInterruptedRestore(const QString &bazaPath)
{
    const std::optional<FileLock> alone = FileLock::presence(lockFileOf(bazaPath), true);
    if (!alone)
        return false; // another program runs on the base: it may be restoring right now
    QByteArray journal;
    if (safefile::readFile(bazaPath + QLatin1String(kJournal), journal) != FileError::None) {
        // No journal: what a restore that never began, or that was tidying up, left.
        QFile::remove(bazaPath + QLatin1String(kJournal) + QStringLiteral(".tmp"));
        QDir(bazaPath + QLatin1String(kNew)).removeRecursively();
        QDir(bazaPath + QLatin1String(kOld)).removeRecursively();
        return false;
    }
    const qsizetype end = journal.indexOf('\n');
    return complete(bazaPath, journal.left(end),
                    end < 0 ? QString() : QString::fromUtf8(journal.mid(end + 1)));
}

} // namespace backup

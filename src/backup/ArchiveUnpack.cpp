#include "ArchiveEntries.h"

#include "OwnFolder.h"
#include "SafeFile.h"
#include "UniqueFd.h"
#include "Utf8Locale.h"

#include <QList>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backup::entries {
namespace {

// The folder `parts` below the open folder `root`, each part made when missing and none of them
// through a link.
UniqueFd folderBelow(int root, const QList<QByteArray> &parts)
{
    UniqueFd folder(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (const QByteArray &part : parts) {
        if (!folder.isOpen())
            break;
        folder = ownfolder::open(folder.get(), part, true);
    }
    return folder;
}

bool writeAt(int fd, const void *block, size_t size, la_int64_t offset)
{
    const auto *bytes = static_cast<const char *>(block);
    for (size_t done = 0; done < size;) {
        const ssize_t n =
            TEMP_FAILURE_RETRY(::pwrite(fd, bytes + done, size - done, off_t(offset) + off_t(done)));
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

enum class Written { Ok, Failed, Damaged };

// Writes the entry's bytes into the new file `leaf` of the open folder `folder` (shared with the
// group as the program's own files are), stopping at once should the entry hold more than its
// header claims. `kept`, if given, receives the bytes too.
Written writeEntry(archive *reader, archive_entry *entry, int folder, const QByteArray &leaf,
                   QByteArray *kept)
{
    struct stat folderStat {};
    const UniqueFd fd(
        ::openat(folder, leaf.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.isOpen() || ::fstat(folder, &folderStat) != 0 || !safefile::shareWithGroup(fd.get(), folderStat))
        return Written::Failed;
    const la_int64_t claimed = archive_entry_size(entry);
    const void *block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int status = ARCHIVE_OK;
    while ((status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
        if (offset < 0 || offset > claimed || la_int64_t(size) > claimed - offset)
            return Written::Damaged;
        if (!writeAt(fd.get(), block, size, offset))
            return Written::Failed;
        if (kept)
            kept->append(static_cast<const char *>(block), qsizetype(size));
    }
    if (status != ARCHIVE_EOF)
        return Written::Damaged;
    const timespec times[2] = {{archive_entry_mtime(entry), 0}, {archive_entry_mtime(entry), 0}};
    return ::futimens(fd.get(), times) == 0 ? Written::Ok : Written::Failed;
}

} // namespace

QString unpack(const QString &zipPath, int staging, qint64 checkedBytes, const Progress &progress,
               qint64 total, bool *cancelled)
{
    const Utf8Locale utf8;
    const Reader reader = openZip(zipPath);
    if (!reader)
        return QStringLiteral("архив не открывается.");
    const auto changed = [](const QString &why) {
        return QStringLiteral("архив изменился после проверки") +
               (why.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + why);
    };
    archive_entry *entry = nullptr;
    EntryCheck check;
    qint64 done = 0;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        if (const QString why = check.refusal(entry); !why.isEmpty() || check.bytes() > checkedBytes)
            return changed(why);
        const QByteArray name(archive_entry_pathname_utf8(entry));
        if (useOf(name) != Use::Restore)
            continue;
        QList<QByteArray> parts = name.split('/');
        if (parts.last().isEmpty())
            parts.removeLast(); // a folder's trailing '/'
        const QByteArray leaf = archive_entry_filetype(entry) == AE_IFREG ? parts.takeLast() : QByteArray();
        const UniqueFd folder = folderBelow(staging, parts);
        QByteArray history;
        const bool isHistory = EntryCheck::isHistory(name);
        const Written written = !folder.isOpen() ? Written::Failed
                                : leaf.isEmpty() ? Written::Ok
                                                 : writeEntry(reader.get(), entry, folder.get(), leaf,
                                                              isHistory ? &history : nullptr);
        if (written == Written::Damaged)
            return QStringLiteral("архив повреждён (файл \"%1\").").arg(QString::fromUtf8(name));
        if (written == Written::Failed)
            return (errno == ENOSPC || errno == EDQUOT
                        ? QStringLiteral("файл \"%1\" записать не возможно: на диске нет места.")
                        : QStringLiteral("файл \"%1\" записать не возможно."))
                .arg(QString::fromUtf8(name));
        if (const QString why = isHistory ? EntryCheck::historyRefusal(name, history) : QString();
            !why.isEmpty())
            return changed(why);
        if (progress && !progress(++done, total)) {
            *cancelled = true;
            return QString();
        }
    }
    if (status != ARCHIVE_EOF)
        return QStringLiteral("архив повреждён.");
    // On the disk before the journal moves any of it into the base.
    return ::syncfs(staging) == 0 ? QString() : QStringLiteral("записанное не сохранилось на диске.");
}

} // namespace backup::entries

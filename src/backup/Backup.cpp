#include "Backup.h"

#include "ArchiveCheck.h"
#include "SafeFile.h"
#include "SourceFiles.h"
#include "UniqueFd.h"
#include "ZipWriter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace backup {
namespace {

const QString kNotWritten = QStringLiteral("Резервная копия не записана: ");

Result failed(const QString &why)
{
    return {Status::Failed, kNotWritten + why, 0, 0};
}

Result cancelled()
{
    return {Status::Cancelled, {}, 0, 0};
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

Result folderUnreadable(const QString &folder, int err)
{
    return failed(err == ENOENT ? QStringLiteral("папка %1 не найдена.").arg(quoted(folder))
                                : QStringLiteral("папку %1 прочитать не возможно.").arg(quoted(folder)));
}

Result fileUnreadable(const QByteArray &archiveName)
{
    return failed(
        QStringLiteral("файл %1 прочитать не возможно.").arg(quoted(QString::fromUtf8(archiveName))));
}

Result writeFailed(const QString &zipPath, int err)
{
    const QString folder = QFileInfo(zipPath).absolutePath();
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return failed(QStringLiteral("на диске не хватает места для файла %1.").arg(quoted(zipPath)));
    case EACCES:
    case EPERM:
    case EROFS:
        return failed(QStringLiteral("нет доступа для записи в папку %1.").arg(quoted(folder)));
    case ENOENT:
    case ENOTDIR:
        return failed(QStringLiteral("папка %1 не найдена.").arg(quoted(folder)));
    default:
        return failed(QStringLiteral("файл %1 записать не возможно.").arg(quoted(zipPath)));
    }
}

// Reports progress now and then: often enough for a progress bar, cheaply for 100,000 files.
class Steps {
public:
    Steps(const Progress &progress, qint64 total)
        : m_progress(progress), m_total(total), m_stride(std::max<qint64>(1, total / 500))
    {
    }
    bool report() { return !m_progress || m_progress(std::min(m_done, m_total), m_total); }
    bool advance() { return ++m_done % m_stride != 0 || report(); }
    void finish()
    {
        m_done = m_total;
        report();
    }

private:
    const Progress &m_progress;
    qint64 m_total;
    qint64 m_stride;
    qint64 m_done = 0;
};

// The archive while it is written: one of the program's temporary files, beside the target, shared
// with the group where the folder is (the other till's user prunes old backups), removed unless it
// took the target's name.
class TemporaryArchive {
public:
    // Creates it in `folder`. errno says why not.
    bool create(const QByteArray &folder)
    {
        struct stat folderStat {};
        if (::stat(folder.constData(), &folderStat) != 0)
            return false;
        m_fd = m_file.create(folder, 0666);
        if (m_fd.isOpen())
            (void)safefile::shareWithGroup(m_fd.get(), folderStat);
        return m_fd.isOpen();
    }

    int fd() const { return m_fd.get(); }
    QByteArray path() const { return m_file.name(); }

    // Flushes the file to the disk and drops it from the page cache, so that the check reads what
    // the disk holds. errno says why not.
    bool flush()
    {
        if (::fsync(m_fd.get()) != 0)
            return false;
        (void)::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        struct stat st {};
        m_size = ::fstat(m_fd.get(), &st) == 0 ? qint64(st.st_size) : 0;
        return ::close(m_fd.release()) == 0;
    }
    qint64 size() const { return m_size; }

    bool renameTo(const QByteArray &target)
    {
        if (::rename(m_file.name().constData(), target.constData()) != 0)
            return false;
        m_file.named();
        return true;
    }

private:
    safefile::TemporaryFile m_file;
    UniqueFd m_fd;
    qint64 m_size = 0;
};

void syncFolder(const QByteArray &folder)
{
    const UniqueFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen())
        ::fsync(fd.get());
}

} // namespace

Result writeBackup(const Sources &sources, const QString &zipPath, const Progress &progress)
{
    SourceList list;
    QString failedFolder;
    if (!listSources(sources.bazaPath, sources.goodsPath, list, failedFolder))
        return folderUnreadable(failedFolder, errno);
    Steps steps(progress, 2 * qint64(list.files.size()));
    if (!steps.report())
        return cancelled();

    const QByteArray target = QFile::encodeName(QFileInfo(zipPath).absoluteFilePath());
    const QByteArray folder = QFile::encodeName(QFileInfo(zipPath).absolutePath());
    TemporaryArchive temporary;
    if (!temporary.create(folder))
        return writeFailed(zipPath, errno);

    Checksums checksums([&list](qsizetype i) { return list.archiveName(list.files[size_t(i)]); });
    {
        ZipWriter zip(temporary.fd());
        SourceReader reader(list);
        QByteArray buffer;
        qsizetype size = 0;
        struct stat st {};
        for (size_t i = 0; i < list.files.size(); ++i) {
            const SourceFile &file = list.files[i];
            switch (reader.read(file, buffer, size, st)) {
            case SourceReader::Read::Failed:
                return fileUnreadable(list.archiveName(file));
            case SourceReader::Read::Gone:
                break;
            case SourceReader::Read::Ok: {
                const QByteArrayView bytes(buffer.constData(), size);
                checksums.append(qsizetype(i), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
                if (!zip.add(list.archiveName(file), bytes, st))
                    return writeFailed(zipPath, zip.error());
                break;
            }
            }
            if (!steps.advance())
                return cancelled();
        }
        if (!zip.finish())
            return writeFailed(zipPath, zip.error());
    }
    if (!temporary.flush())
        return writeFailed(zipPath, errno);

    switch (
        checkArchive(QFile::decodeName(temporary.path()), checksums, [&steps] { return steps.advance(); })) {
    case CheckOutcome::Cancelled:
        return cancelled();
    case CheckOutcome::Differs:
        return failed(QStringLiteral("проверка записанного файла %1 не прошла. Попробуйте другой диск.")
                          .arg(quoted(zipPath)));
    case CheckOutcome::Matches:
        break;
    }
    if (!temporary.renameTo(target))
        return writeFailed(zipPath, errno);
    syncFolder(folder);
    steps.finish();
    return {Status::Done, QStringLiteral("Резервная копия записана в файл %1.").arg(quoted(zipPath)),
            checksums.size(), temporary.size()};
}

} // namespace backup

#include "SafeFile.h"

#include "UniqueFd.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {
namespace {

bool grantsNoWrite(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void syncFolder(const QByteArray &folder)
{
    const UniqueFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen())
        ::fsync(fd.get());
}

// True when this user may not write `path` ("how" as for access()), judged by the effective user
// as the write itself will be. Other failures are left to the write to report.
bool writeDenied(const QByteArray &path, int how)
{
    return ::faccessat(AT_FDCWD, path.constData(), how, AT_EACCESS) != 0 &&
           classifyErrno(errno) == FileError::AccessDenied;
}

// A new file beside `target`, named after it with a random ".~" ending, which the customer list
// never takes for a card; the system's randomness keeps forked processes apart. Returns it open,
// or holding none with errno set.
UniqueFd createTemporary(const QByteArray &target, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = target + ".~" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        UniqueFd fd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.isOpen() || errno != EEXIST)
            return fd;
    }
    return UniqueFd();
}

bool writeWhole(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            TEMP_FAILURE_RETRY(::write(fd, data.constData() + done, size_t(data.size() - done)));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

FileError replaceFile(const QString &path, const QByteArray &data)
{
    const QByteArray native = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());

    struct stat folderStat {};
    if (::stat(folder.constData(), &folderStat) != 0)
        return classifyErrno(errno);
    if (!S_ISDIR(folderStat.st_mode))
        return FileError::Other;

    struct stat target {};
    const bool exists = ::lstat(native.constData(), &target) == 0;
    if (!exists && errno != ENOENT)
        return classifyErrno(errno);
    if (exists && !S_ISREG(target.st_mode))
        return FileError::Other; // never write through a link or over a folder
    // The file is judged for itself: the rename below would succeed over a card of another user
    // in a folder this user may write.
    if (exists && (grantsNoWrite(target.st_mode) || writeDenied(native, W_OK)))
        return FileError::AccessDenied;
    if (grantsNoWrite(folderStat.st_mode) || writeDenied(folder, W_OK | X_OK))
        return FileError::AccessDenied;

    QByteArray temporary;
    UniqueFd fd = createTemporary(native, exists ? 0600 : 0666, temporary);
    if (!fd.isOpen())
        return classifyErrno(errno);
    bool written = writeWhole(fd.get(), data);
    if (written && exists) {
        // A card rewritten by root stays its owner's; where that is not allowed it becomes ours.
        [[maybe_unused]] const int owned = ::fchown(fd.get(), target.st_uid, target.st_gid);
        written = ::fchmod(fd.get(), target.st_mode & 07777) == 0;
    }
    written = written && ::fdatasync(fd.get()) == 0;
    if (::close(fd.release()) != 0 || !written) {
        ::unlink(temporary.constData());
        return FileError::Other;
    }
    if (::rename(temporary.constData(), native.constData()) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        return classifyErrno(err);
    }
    syncFolder(folder);
    return FileError::None;
}

FileError appendToFile(const QString &path, const QByteArray &data)
{
    // The card is read and written back whole through replaceFile: a kill at any moment leaves
    // either the old card or the new one, never half a block. Cards are a few kilobytes.
    struct stat st {};
    {
        const UniqueFd fd(
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (!fd.isOpen())
            return errno == ELOOP ? FileError::Other : classifyErrno(errno);
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            return FileError::Other;
    }
    if (grantsNoWrite(st.st_mode))
        return FileError::AccessDenied;

    QByteArray card;
    if (const FileError error = readFile(path, card); error != FileError::None)
        return error;
    // A card whose last line has no line end (saved by an editor) must not swallow the block.
    if (!card.isEmpty() && !card.endsWith('\n') && !card.endsWith('\r'))
        card += "\r\n";
    return replaceFile(path, card + data);
}

FileError readFile(const QString &path, QByteArray &out, qint64 maxBytes)
{
    out.clear();
    const QByteArray native = QFile::encodeName(path);
    const UniqueFd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen())
        return classifyErrno(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return FileError::Other;
    // One byte more than the file holds, so that its end is seen without growing the buffer:
    // the bytes read are kept, often for the whole run, and must not carry spare room.
    const qsizetype limit = maxBytes >= 0 ? qsizetype(maxBytes) : std::numeric_limits<qsizetype>::max();
    out.resize(qsizetype(std::min<qint64>(qint64(st.st_size) + 1, limit)));
    const qsizetype have = readAllFrom(fd.get(), out, 0, limit);
    if (have < 0) {
        out.clear();
        return FileError::Other;
    }
    out.resize(have);
    return FileError::None;
}

bool nameTaken(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace safefile

#include "SafeFile.h"

#include "FileLock.h"
#include "FileName.h"
#include "OwnFolder.h"
#include "UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {
namespace {

// Temporary files are named kTemporaryPrefix and kTemporaryLetters base-36 digits: short enough
// beside a card name of 255 bytes, hidden, and never taken for a card.
constexpr char kTemporaryPrefix[] = ".~";
constexpr qsizetype kTemporaryLetters = 8;
// Names createNew tries before it gives up, for a caller whose names never run out.
constexpr int kMaxNewNames = 1000000;

bool grantsNoWrite(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The folder without a trailing slash, so that names joined to it have one slash.
QString folderOf(const QString &folderPath)
{
    return folderPath.size() > 1 && folderPath.endsWith(QLatin1Char('/')) ? folderPath.chopped(1)
                                                                          : folderPath;
}

// A file's folder opened and its name in it, for the functions that take a path.
struct FolderAndName {
    UniqueFd folder;
    QByteArray name;
    FileError error = FileError::None;
};

FolderAndName splitPath(const QString &path)
{
    const QFileInfo info(path);
    FolderAndName split{ownfolder::openPath(info.absolutePath()), filename::encode(info.fileName())};
    if (!split.folder.isOpen())
        split.error = classifyErrno(errno);
    return split;
}

// A failure errno tells; a lock another till kept all the time (EWOULDBLOCK) is Busy.
FileError errorOf(int err)
{
    return err == EWOULDBLOCK ? FileError::Busy : classifyErrno(err);
}

// True when this user may not write `name` in `folder` ("how" as for access()), judged by the
// effective user as the write itself will be. Other failures are left to the write to report.
bool writeDenied(int folder, const char *name, int how)
{
    return ::faccessat(folder, name, how, AT_EACCESS) != 0 && classifyErrno(errno) == FileError::AccessDenied;
}

// The folder a write goes to must be a folder this user may write.
FileError checkFolder(int folder, struct stat &st)
{
    if (::fstat(folder, &st) != 0)
        return classifyErrno(errno);
    if (!S_ISDIR(st.st_mode))
        return FileError::Other;
    if (grantsNoWrite(st.st_mode) || writeDenied(folder, ".", W_OK | X_OK))
        return FileError::AccessDenied;
    return FileError::None;
}

// Opens a file to read it, never following a link (ELOOP: Other) and never waiting for the writer
// of a pipe; anything but an ordinary file is refused as Other.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;

FileError openOrdinary(int folder, const char *name, UniqueFd &fd, struct stat &st)
{
    fd = UniqueFd(::openat(folder, name, kReadFlags));
    if (!fd.isOpen())
        return classifyErrno(errno);
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return FileError::Other;
    return FileError::None;
}

// Reads the open file `fd` of `size` bytes to its end, or its first `maxBytes` when maxBytes >= 0.
// A file over kMaxFileBytes, by its size or by what it turns out to hold, is refused unless only
// its first bytes up to that bound are asked for.
FileError readOpen(int fd, qint64 size, QByteArray &out, qint64 maxBytes)
{
    if (size > kMaxFileBytes && (maxBytes < 0 || maxBytes > kMaxFileBytes))
        return FileError::Other;
    const qint64 limit = std::min(maxBytes >= 0 ? maxBytes : kMaxFileBytes + 1, kMaxFileBytes + 1);
    // One byte more than the file holds, so that its end is seen without growing the buffer:
    // the bytes read are kept, often for the whole run, and must not carry spare room.
    out.resize(qsizetype(std::min(size + 1, limit)));
    const qsizetype have = readAllFrom(fd, out, 0, qsizetype(limit));
    if (have < 0 || have > kMaxFileBytes) {
        out.clear();
        return FileError::Other;
    }
    out.resize(have);
    return FileError::None;
}

bool isTemporaryName(const QByteArray &name)
{
    const auto isDigit36 = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); };
    return name.size() == qsizetype(sizeof kTemporaryPrefix) - 1 + kTemporaryLetters &&
           name.startsWith(kTemporaryPrefix) &&
           std::all_of(name.cbegin() + sizeof kTemporaryPrefix - 1, name.cend(), isDigit36);
}

// The system's randomness keeps forked processes apart.
QByteArray temporaryName()
{
    constexpr quint64 kNames = 36ULL * 36 * 36 * 36 * 36 * 36 * 36 * 36;
    const quint64 n = QRandomGenerator::system()->generate64() % kNames;
    return kTemporaryPrefix + QByteArray::number(n, 36).rightJustified(kTemporaryLetters, '0');
}

// A rewritten file keeps its mode, its group and (where allowed, as for root) its owner.
bool keepOwnerAndMode(int fd, const struct stat &like)
{
    [[maybe_unused]] const bool owned =
        ::fchown(fd, like.st_uid, like.st_gid) == 0 || ::fchown(fd, uid_t(-1), like.st_gid) == 0;
    return ::fchmod(fd, like.st_mode & 07777) == 0;
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

// Writes `data` to a new temporary file in `folder` and flushes it to disk: as a rewrite of the
// file `like`, or as a new file of that folder when `like` is null.
FileError writeTemporary(int folder, const struct stat &folderStat, const struct stat *like,
                         const QByteArray &data, TemporaryFile &temporary)
{
    UniqueFd fd = temporary.create(folder, like ? 0600 : 0666);
    if (!fd.isOpen())
        return classifyErrno(errno);
    // A write past the file-size limit fails with EFBIG (the program ignores SIGXFSZ).
    const bool written = (like ? keepOwnerAndMode(fd.get(), *like) : shareWithGroup(fd.get(), folderStat)) &&
                         writeWhole(fd.get(), data) && ::fdatasync(fd.get()) == 0;
    // The lock stays with the temporary: it holds the open file description too.
    return ::close(fd.release()) == 0 && written ? FileError::None : FileError::Other;
}

bool linkingUnsupported(int err)
{
    return err == EPERM || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

// Gives the written temporary file the name `target` only where nothing has that name. Returns 0,
// or the errno: EEXIST when the name is taken.
int nameNewFile(int folder, TemporaryFile &temporary, const QByteArray &target)
{
    const char *from = temporary.leaf().constData();
    if (::renameat2(folder, from, folder, target.constData(), RENAME_NOREPLACE) == 0) {
        temporary.named();
        return 0;
    }
    if (!linkingUnsupported(errno))
        return errno;
    if (::linkat(folder, from, folder, target.constData(), 0) == 0)
        return 0; // the temporary's own name is removed with it
    if (!linkingUnsupported(errno))
        return errno;
    // Neither (some shared folders): the folder's lock keeps other tills' new files out between the
    // look at the name and the rename.
    const std::optional<FileLock> lock = FileLock::acquire(folder, FileLock::kWholeFolder);
    if (!lock)
        return errno;
    struct stat st {};
    if (::fstatat(folder, target.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (::renameat(folder, from, folder, target.constData()) != 0)
        return errno;
    temporary.named();
    return 0;
}

// Writes what `decide` makes of `path` under the file's lock. `readCurrent` false spares reading
// a file whose bytes do not matter: `decide` then gets nullptr.
FileError writeLocked(int folder, const QByteArray &native, bool readCurrent, ReadLimit limit,
                      const std::function<Rewrite(const QByteArray *current)> &decide)
{
    if (native.isEmpty() || native.contains('/'))
        return FileError::Other;
    struct stat folderStat {};
    if (const FileError error = checkFolder(folder, folderStat); error != FileError::None)
        return error;
    const std::optional<FileLock> lock = FileLock::acquire(folder, FileLock::slotFor(native));
    if (!lock)
        return errorOf(errno);

    UniqueFd fd;
    struct stat st {};
    const FileError opened =
        openOrdinary(folder, native.constData(), fd, st); // never a link, never over a folder
    const bool exists = opened == FileError::None;
    if (!exists && opened != FileError::NotFound)
        return opened;
    // The file is judged for itself: the rename below would succeed over a card of another user
    // in a folder this user may write.
    if (exists && (grantsNoWrite(st.st_mode) || writeDenied(folder, native.constData(), W_OK)))
        return FileError::AccessDenied;
    QByteArray current;
    if (exists && readCurrent) {
        const qint64 upTo = limit == ReadLimit::FirstBytes ? kMaxFileBytes : -1;
        if (const FileError error = readOpen(fd.get(), st.st_size, current, upTo); error != FileError::None)
            return error;
    }
    fd = UniqueFd();

    const Rewrite rewrite = decide(exists && readCurrent ? &current : nullptr);
    if (!rewrite.write)
        return rewrite.result;
    TemporaryFile temporary;
    if (const FileError error =
            writeTemporary(folder, folderStat, exists ? &st : nullptr, rewrite.data, temporary);
        error != FileError::None)
        return error;
    if (rewrite.beforeRename) {
        if (const FileError error = rewrite.beforeRename(); error != FileError::None)
            return error;
    }
    if (::renameat(folder, temporary.leaf().constData(), folder, native.constData()) != 0)
        return classifyErrno(errno);
    temporary.named();
    ::fsync(folder);
    return FileError::None;
}

FileError writeLocked(const QString &path, bool readCurrent,
                      const std::function<Rewrite(const QByteArray *current)> &decide)
{
    const FolderAndName at = splitPath(path);
    return at.error != FileError::None
               ? at.error
               : writeLocked(at.folder.get(), at.name, readCurrent, ReadLimit::Whole, decide);
}

} // namespace

TemporaryFile::~TemporaryFile()
{
    if (!m_leaf.isEmpty())
        ::unlinkat(m_folder.get(), m_leaf.constData(), 0);
}

UniqueFd TemporaryFile::create(const QByteArray &folder, mode_t mode)
{
    const UniqueFd opened(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.isOpen())
        return UniqueFd();
    UniqueFd fd = create(opened.get(), mode);
    m_prefix = folder + '/';
    return fd;
}

UniqueFd TemporaryFile::create(int folder, mode_t mode)
{
    m_folder = UniqueFd(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!m_folder.isOpen())
        return UniqueFd();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray name = temporaryName();
        UniqueFd fd(
            ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
        if (!fd.isOpen() && errno == EEXIST)
            continue;
        if (!fd.isOpen())
            return fd;
        std::optional<FileLock> lock = FileLock::tryWholeFile(fd.get());
        if (!lock && errno != EWOULDBLOCK) {
            const int err = errno;
            ::unlinkat(folder, name.constData(), 0);
            errno = err;
            return UniqueFd();
        }
        // Another till's removeLeftovers may have taken it for a leftover before it was locked:
        // it holds the lock or has removed the file; this write goes on under another name.
        struct stat st {};
        if (lock && ::fstat(fd.get(), &st) == 0 && st.st_nlink > 0) {
            m_leaf = name;
            m_lock = std::move(lock);
            return fd;
        }
    }
    errno = EEXIST;
    return UniqueFd();
}

bool shareWithGroup(int fd, const struct stat &folderStat)
{
    struct stat st {};
    return (folderStat.st_mode & S_IWGRP) == 0 ||
           (::fstat(fd, &st) == 0 && ::fchmod(fd, (st.st_mode & 07777) | S_IRGRP | S_IWGRP) == 0);
}

FileError makeFolder(const QString &path)
{
    const QByteArray native = filename::encode(path);
    if (::mkdir(native.constData(), 0777) != 0) {
        struct stat st {};
        return errno == EEXIST && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode)
                   ? FileError::None
                   : classifyErrno(errno == EEXIST ? ENOTDIR : errno);
    }
    struct stat parent {};
    struct stat made {};
    if (::stat(filename::encode(QFileInfo(QDir::cleanPath(path)).absolutePath()).constData(), &parent) == 0 &&
        (parent.st_mode & S_IWGRP) && ::stat(native.constData(), &made) == 0)
        ::chmod(native.constData(), (made.st_mode & 07777) | S_IRWXG);
    return FileError::None;
}

FileError openOwnFolder(int parent, const QByteArray &name, bool create, UniqueFd &folder)
{
    folder = ownfolder::open(parent, name, create);
    if (folder.isOpen())
        return FileError::None;
    return errno == ENOTDIR ? FileError::Planted : classifyErrno(errno);
}

FileError replaceFile(const QString &path, const QByteArray &data)
{
    return writeLocked(path, false, [&data](const QByteArray *) { return Rewrite::writing(data); });
}

FileError appendToFile(const QString &path, const QByteArray &data)
{
    // The card is rewritten whole: a kill at any moment leaves either the old card or the new one,
    // never half a block. Cards are a few kilobytes.
    return rewriteLocked(path, [&data](const QByteArray *card) {
        if (!card)
            return Rewrite::refusing(FileError::NotFound);
        return Rewrite::writing(withBlockAppended(*card, data));
    });
}

QByteArray withBlockAppended(const QByteArray &file, const QByteArray &block)
{
    const bool unended = !file.isEmpty() && !file.endsWith('\n') && !file.endsWith('\r');
    return file + (unended ? "\r\n" : "") + block;
}

FileError rewriteLocked(const QString &path, const std::function<Rewrite(const QByteArray *current)> &decide)
{
    return writeLocked(path, true, decide);
}

FileError rewriteLocked(int folder, const QByteArray &name, ReadLimit limit,
                        const std::function<Rewrite(const QByteArray *current)> &decide)
{
    return writeLocked(folder, name, true, limit, decide);
}

FileError createNew(const QString &folderPath, const std::function<QString(int k)> &nameFor,
                    const QByteArray &data, QString *created)
{
    const UniqueFd folder = ownfolder::openPath(folderOf(folderPath));
    if (!folder.isOpen())
        return classifyErrno(errno);
    struct stat folderStat {};
    if (const FileError error = checkFolder(folder.get(), folderStat); error != FileError::None)
        return error;
    TemporaryFile temporary;
    if (const FileError error = writeTemporary(folder.get(), folderStat, nullptr, data, temporary);
        error != FileError::None)
        return error;
    for (int k = 0; k < kMaxNewNames; ++k) {
        const QString name = nameFor(k);
        if (name.isEmpty())
            break;
        const QByteArray native = filename::encode(name);
        if (native.contains('/'))
            return FileError::Other;
        const int err = nameNewFile(folder.get(), temporary, native);
        if (err == EEXIST)
            continue; // another till took it a moment ago
        if (err != 0)
            return errorOf(err);
        ::fsync(folder.get());
        if (created)
            *created = name;
        return FileError::None;
    }
    return FileError::Other;
}

int removeLeftovers(const QString &folderPath)
{
    const UniqueFd folder = ownfolder::openPath(folderOf(folderPath));
    return folder.isOpen() ? removeLeftovers(folder.get()) : 0;
}

int removeLeftovers(int folder)
{
    const std::optional<QList<QByteArray>> listed = ownfolder::names(folder);
    int removed = 0;
    for (const QByteArray &name : listed.value_or(QList<QByteArray>())) {
        if (!isTemporaryName(name))
            continue;
        // A lock is taken only on a file open for writing; one this user may not write stays.
        const UniqueFd fd(::openat(folder, name.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat held {};
        if (!fd.isOpen() || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode))
            continue;
        const std::optional<FileLock> lock = FileLock::tryWholeFile(fd.get());
        // Not locked: its writer is gone, unless that write ended meanwhile and the name is now
        // another file's.
        struct stat named {};
        if (lock && ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino &&
            ::unlinkat(folder, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

FileError readFile(const QString &path, QByteArray &out, qint64 maxBytes)
{
    const FolderAndName at = splitPath(path);
    if (at.error != FileError::None) {
        out.clear();
        return at.error;
    }
    return readFile(at.folder.get(), at.name.constData(), out, maxBytes);
}

FileError readFile(int folder, const char *name, QByteArray &out, qint64 maxBytes)
{
    out.clear();
    UniqueFd fd;
    struct stat st {};
    if (const FileError error = openOrdinary(folder, name, fd, st); error != FileError::None)
        return error;
    return readOpen(fd.get(), st.st_size, out, maxBytes);
}

FileError openOrdinaryFile(const QString &path, UniqueFd &fd, qint64 *size)
{
    const FolderAndName at = splitPath(path);
    if (at.error != FileError::None)
        return at.error;
    return openOrdinaryFile(at.folder.get(), at.name.constData(), fd, size);
}

UniqueFd openListedFile(int folder, const char *name)
{
    return UniqueFd(::openat(folder, name, kReadFlags));
}

FileError openOrdinaryFile(int folder, const char *name, UniqueFd &fd, qint64 *size)
{
    struct stat st {};
    const FileError error = openOrdinary(folder, name, fd, st);
    *size = error == FileError::None ? qint64(st.st_size) : 0;
    return error;
}

bool nameTaken(const QString &path)
{
    struct stat st {};
    return ::lstat(filename::encode(path).constData(), &st) == 0;
}

} // namespace safefile

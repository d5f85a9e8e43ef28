#include "FileLock.h"
#include "FileName.h"
#include "OwnFolder.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

quint32 FileLock::slotFor(const QByteArray &nativeName)
{
    // FNV-1a of the name's bytes: every program on the folder, of any build, must find the same
    // slot for a file. Never change it without changing the lock file's name, or two versions of
    // the program would lock different slots for one card (qHash will not do: it is seeded anew in
    // every process). Slots 1 .. 2^30: two files sharing one only wait for each other a moment.
    quint32 hash = 2166136261u;
    for (const char c : nativeName)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return 1 + hash % (1u << 30);
}

quint32 FileLock::slotFor(const QString &fileName)
{
    return slotFor(filename::encode(fileName));
}

namespace {

// The lock file of a data folder: hidden, so the customer scan never lists it.
constexpr char kFolderLockName[] = ".tarvesko.lock";

// The bytes past the slots: slot s's waiting mark is byte kSlotsEnd + s, read-locked by each till
// waiting for it.
constexpr off_t kSlotsEnd = off_t(1) << 31;
// The programs' presence on the folder, past the waiting marks.
constexpr off_t kPresence = off_t(1) << 32;
// The longest pause between two tries: a slot handed over stays free for no longer.
constexpr int kMaxPauseMs = 4;

struct flock rangeOf(off_t start, off_t length, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return lock;
}

// Sets (F_RDLCK) or clears (F_UNLCK) this till's waiting mark for `slot`.
bool markWaiting(int fd, quint32 slot, short type)
{
    struct flock lock = rangeOf(kSlotsEnd + off_t(slot), 1, type);
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool othersWaitFor(int fd, quint32 slot)
{
    struct flock lock = rangeOf(kSlotsEnd + off_t(slot), 1, F_WRLCK);
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

} // namespace

namespace {

// Opens the folder's lock file, making it if missing. It is everyone's in the folder's group,
// whoever made it first: where the file system allows, it gets the group's write bit before it
// takes its name, so the other till never finds it closed to it.
UniqueFd openLockFile(int folder, const QByteArray &name)
{
    const char *native = name.constData();
    struct stat folderStat {};
    const bool shared = ::fstat(folder, &folderStat) == 0 && (folderStat.st_mode & S_IWGRP);
    const auto share = [shared](int fd) {
        struct stat st {};
        if (shared && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && !(st.st_mode & S_IWGRP))
            ::fchmod(fd, (st.st_mode & 07777) | S_IRGRP | S_IWGRP);
    };
    for (int tries = 0; tries < 3; ++tries) {
        UniqueFd fd(::openat(folder, native, O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (fd.isOpen() || errno != ENOENT)
            return fd;
        UniqueFd unnamed(::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
        if (!unnamed.isOpen())
            break; // a file system without unnamed files
        share(unnamed.get());
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed.get());
        if (::linkat(AT_FDCWD, self.constData(), folder, native, AT_SYMLINK_FOLLOW) == 0)
            return unnamed;
        if (errno != EEXIST)
            break;
    }
    UniqueFd fd(::openat(folder, native, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (fd.isOpen())
        share(fd.get());
    return fd;
}

// The lock file named by its path: its folder opened as it is named (the data folder itself).
UniqueFd openLockFile(const QString &lockPath)
{
    const QByteArray native = filename::encode(lockPath);
    const int slash = native.lastIndexOf('/');
    const QByteArray folderPath = slash > 0 ? native.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const UniqueFd folder = ownfolder::openPath(filename::decode(folderPath));
    if (!folder.isOpen())
        return UniqueFd();
    return openLockFile(folder.get(), native.mid(slash + 1));
}

} // namespace

bool FileLock::lockRange(int fd, off_t start, off_t length)
{
    struct flock lock = rangeOf(start, length, F_WRLCK);
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

std::optional<FileLock> FileLock::acquire(const QString &lockPath, quint32 slot,
                                          std::chrono::milliseconds patience)
{
    return acquire(openLockFile(lockPath), slot, patience);
}

std::optional<FileLock> FileLock::acquire(int folder, quint32 slot, std::chrono::milliseconds patience)
{
    return acquire(openLockFile(folder, QByteArray(kFolderLockName)), slot, patience);
}

std::optional<FileLock> FileLock::acquire(UniqueFd fd, quint32 slot, std::chrono::milliseconds patience)
{
    if (!fd.isOpen())
        return std::nullopt;

    const off_t start = slot == kWholeFolder ? 0 : off_t(slot);
    const off_t length = slot == kWholeFolder ? kSlotsEnd : 1;
    // A till that writes again and again would take its slot back in the moment between two
    // writes, before a waiting till's next try: so it leaves the slot alone while another waits.
    bool waiting = false; // holding this slot's waiting mark
    const auto until = std::chrono::steady_clock::now() + patience;
    for (int wait = 1;; wait = std::min(wait * 2, kMaxPauseMs)) {
        if (waiting || slot == kWholeFolder || !othersWaitFor(fd.get(), slot)) {
            if (lockRange(fd.get(), start, length)) {
                if (waiting)
                    markWaiting(fd.get(), slot, F_UNLCK);
                return FileLock(std::move(fd));
            }
            if (errno != EAGAIN && errno != EACCES && errno != EINTR)
                return std::nullopt;
            waiting = waiting || (slot != kWholeFolder && markWaiting(fd.get(), slot, F_RDLCK));
        }
        if (std::chrono::steady_clock::now() >= until) {
            errno = EWOULDBLOCK;
            return std::nullopt;
        }
        QThread::msleep(wait);
    }
}

std::optional<FileLock> FileLock::presence(const QString &lockPath, bool sole)
{
    UniqueFd fd = openLockFile(lockPath);
    if (!fd.isOpen())
        return std::nullopt;
    // A byte past the slots and their waiting marks: writes never touch it.
    struct flock mark = rangeOf(kPresence, 1, sole ? F_WRLCK : F_RDLCK);
    if (::fcntl(fd.get(), F_OFD_SETLK, &mark) != 0) {
        if (errno == EAGAIN || errno == EACCES)
            errno = EWOULDBLOCK;
        return std::nullopt;
    }
    return FileLock(std::move(fd));
}

std::optional<FileLock> FileLock::tryWholeFile(int fd)
{
    UniqueFd own(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    // A duplicate shares the open file description, and so the lock, with `fd`.
    if (!own.isOpen() || !lockRange(own.get(), 0, 0)) {
        if (errno == EAGAIN || errno == EACCES)
            errno = EWOULDBLOCK;
        return std::nullopt;
    }
    return FileLock(std::move(own));
}

// The name goes with the slots' numbering (FileLock::slotFor).
QString lockFileOf(const QString &bazaPath)
{
    return bazaPath + QLatin1String(kFolderLockName);
}

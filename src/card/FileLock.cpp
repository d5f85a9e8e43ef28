#include "FileLock.h"
#include "FileName.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

quint32 FileLock::slotFor(const QString &fileName)
{
    // Slots 1 .. 2^30: two files sharing one only wait for each other a moment.
    return 1 + quint32(qHash(fileName, 0x7a11) % (1u << 30));
}

namespace {

// The bytes past the slots: slot s's waiting mark is byte kSlotsEnd + s, read-locked by each till
// waiting for it.
constexpr off_t kSlotsEnd = off_t(1) << 31;
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

bool FileLock::lockRange(int fd, off_t start, off_t length)
{
    struct flock lock = rangeOf(start, length, F_WRLCK);
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

std::optional<FileLock> FileLock::acquire(const QString &lockPath, quint32 slot,
                                          std::chrono::milliseconds patience)
{
    const QByteArray native = filename::encode(lockPath);
    UniqueFd fd(::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd.isOpen())
        return std::nullopt;
    // The lock file is everyone's in the folder's group, whoever made it first.
    struct stat st {};
    const int slash = native.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? native.left(slash) : QByteArray(".");
    struct stat folderStat {};
    if (::fstat(fd.get(), &st) == 0 && st.st_uid == ::geteuid() &&
        ::stat(folder.constData(), &folderStat) == 0 && (folderStat.st_mode & S_IWGRP) &&
        !(st.st_mode & S_IWGRP))
        ::fchmod(fd.get(), (st.st_mode & 07777) | S_IRGRP | S_IWGRP);

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

QString lockFileOf(const QString &bazaPath)
{
    return bazaPath + QStringLiteral(".tarvesko.lock");
}

#include "OwnFolder.h"

#include "FileName.h"

#include <QList>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ownfolder {
namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
// Folders nested deeper than this are not the program's: their removal stops there.
constexpr int kMaxDepth = 32;
// One step of a path walked by hand: the name itself, never what it leads to.
constexpr int kStep = O_PATH | O_NOFOLLOW | O_CLOEXEC;
// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

bool removeIn(int parent, const char *name, int depth);

// One name of a folder's own, not a path and not the folder itself or its parent.
bool isOneName(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('/') && name != "." && name != "..";
}

// Removes everything in the open folder `folder`.
bool emptyFolder(int folder, int depth)
{
    const std::optional<QList<QByteArray>> listed = names(folder);
    if (!listed)
        return false;
    bool ok = true;
    for (const QByteArray &name : *listed)
        ok &= removeIn(folder, name.constData(), depth + 1);
    return ok;
}

bool removeIn(int parent, const char *name, int depth)
{
    if (::unlinkat(parent, name, 0) == 0 || errno == ENOENT)
        return true; // a file or a link: only its name goes
    if (errno != EISDIR && errno != EPERM)
        return false;
    if (depth > kMaxDepth)
        return false;
    const UniqueFd folder(::openat(parent, name, kOpenFolder));
    if (!folder.isOpen())
        return errno == ENOENT;
    return emptyFolder(folder.get(), depth) &&
           (::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
}

} // namespace

std::optional<QList<QByteArray>> names(int folder)
{
    // A descriptor of its own for the listing, not passed on to a program started meanwhile.
    const int listed = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!dir) {
        const int err = errno;
        if (listed >= 0)
            ::close(listed);
        errno = err;
        return std::nullopt;
    }
    QList<QByteArray> out;
    while (const dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            out.append(QByteArray(e->d_name));
    }
    ::closedir(dir);
    return out;
}

UniqueFd open(int parent, const QByteArray &name, bool create)
{
    if (!isOneName(name)) {
        errno = EINVAL;
        return UniqueFd();
    }
    const bool made = create && ::mkdirat(parent, name.constData(), 0777) == 0;
    if (create && !made && errno != EEXIST)
        return UniqueFd(); // mkdirat's errno: the folder may not be written, the disk is full, …
    UniqueFd fd(::openat(parent, name.constData(), kOpenFolder));
    if (!fd.isOpen()) {
        if (errno == ELOOP)
            errno = ENOTDIR; // a link in the folder's place, also one put there since the mkdirat
        return fd;
    }
    // The umask (022 as a rule) takes the group's write: given back where the parent has it.
    struct stat above {};
    struct stat st {};
    if (made && ::fstat(parent, &above) == 0 && (above.st_mode & S_IWGRP) && ::fstat(fd.get(), &st) == 0)
        ::fchmod(fd.get(), (st.st_mode & 07777) | S_IRWXG);
    return fd;
}

bool remove(int parent, const QByteArray &name)
{
    return isOneName(name) && removeIn(parent, name.constData(), 0);
}

UniqueFd openPath(const QString &path, QString *real)
{
    const QByteArray native = filename::encode(path);
    if (native.isEmpty()) {
        errno = ENOENT;
        return UniqueFd();
    }
    // Walked one name at a time, as the kernel would, but a link is followed only where whoever
    // may write its folder could not have put it there for another: in a folder only its owner may
    // write, or a link of root's or of the folder's owner. A member of the shop's group may
    // replace "База" in the group's working folder by a link of his own; that one is refused.
    QList<QByteArray> names = native.split('/');
    UniqueFd at(::open(native.startsWith('/') ? "/" : ".", kStep | O_DIRECTORY));
    QList<QByteArray> walked; // the folders gone through, from where the walk began
    bool absolute = native.startsWith('/');
    for (int links = 0; at.isOpen() && !names.isEmpty();) {
        const QByteArray name = names.takeFirst();
        if (name.isEmpty() || name == ".")
            continue;
        UniqueFd next(::openat(at.get(), name.constData(), kStep));
        struct stat st {};
        if (!next.isOpen() || ::fstat(next.get(), &st) != 0)
            return UniqueFd();
        if (S_ISDIR(st.st_mode)) {
            at = std::move(next);
            if (name != "..")
                walked.append(name);
            else if (!walked.isEmpty())
                walked.removeLast();
            continue;
        }
        struct stat folder {};
        if (!S_ISLNK(st.st_mode) || ++links > kMaxLinks || ::fstat(at.get(), &folder) != 0) {
            errno = S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR;
            return UniqueFd();
        }
        const bool othersMayWrite = folder.st_mode & (S_IWGRP | S_IWOTH);
        if (othersMayWrite && st.st_uid != 0 && st.st_uid != folder.st_uid) {
            errno = ELOOP;
            return UniqueFd();
        }
        char target[PATH_MAX];
        const ssize_t size = ::readlinkat(next.get(), "", target, sizeof target);
        if (size <= 0 || size >= ssize_t(sizeof target))
            return UniqueFd();
        const QByteArray leadsTo(target, size);
        names = leadsTo.split('/') + names;
        if (leadsTo.startsWith('/')) {
            at = UniqueFd(::open("/", kStep | O_DIRECTORY));
            walked.clear();
            absolute = true;
        }
    }
    if (real)
        *real = filename::decode((absolute ? "/" : "") + walked.join('/'));
    return at.isOpen() ? UniqueFd(::openat(at.get(), ".", O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC))
                       : UniqueFd();
}

} // namespace ownfolder

#include "OwnFolder.h"

#include "FileName.h"

#include <cerrno>
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

bool removeIn(int parent, const char *name, int depth);

// Removes everything in the open folder `folder`.
bool emptyFolder(int folder, int depth)
{
    // A descriptor of its own for the listing, not passed on to a program started meanwhile.
    const int listed = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (listed < 0)
        return false;
    DIR *dir = ::fdopendir(listed);
    if (!dir) {
        ::close(listed);
        return false;
    }
    bool ok = true;
    while (const dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            ok &= removeIn(folder, e->d_name, depth + 1);
    }
    ::closedir(dir);
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

UniqueFd open(int parent, const QByteArray &name, bool create)
{
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..") {
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
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
        return false;
    return removeIn(parent, name.constData(), 0);
}

UniqueFd openPath(const QString &path)
{
    return UniqueFd(
        ::open(filename::encode(path).constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
}

} // namespace ownfolder

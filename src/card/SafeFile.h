#pragma once

#include "FileError.h"
#include "FileLock.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

// The only ways the program writes its files. Either the whole change reaches the disk, or the
// file stays byte for byte as it was and the error says why; a failure is never reported as success.
//
// Two tills may share one folder. Every change of an existing file is made under the file's lock
// (FileLock, in the folder's lock file) against the file as it is on disk at that moment; a lock
// another till keeps for about 2 s fails the write as Busy. Temporary files are hidden, named
// ".~" and eight letters or digits, and locked while written; a new file gets the group-write bit
// when its folder has it, so that the other users of the group can write it too.
namespace safefile {

// Larger files are refused unread (FileError::Other): no card comes near it, and a stray huge
// file must not fill the memory.
inline constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// Replaces the whole content of `path` (creating it if missing) through a temporary file that is
// written, checked, flushed to disk and then renamed over the old one. A file or folder this user
// may not write is refused as AccessDenied, and so is an existing file whose permission bits grant
// no write (also when running as root). The file keeps its mode and group and, where allowed, its
// owner.
[[nodiscard]] FileError replaceFile(const QString &path, const QByteArray &data);

// Appends `data` to the existing file `path`, never creating it: the file as it is now is read and
// rewritten whole as replaceFile does, so it ends up either as it was or with the whole block, and
// a block another till appended meanwhile stays. A last line without a line end gets one first.
[[nodiscard]] FileError appendToFile(const QString &path, const QByteArray &data);

// The bytes of `file` with `block` added at its end, as appendToFile writes them: a last line
// without a line end (saved by an editor) gets one first, so that it does not swallow the block.
QByteArray withBlockAppended(const QByteArray &file, const QByteArray &block);

// What rewriteLocked does once it has seen the file: with `write`, writes `data` as the file's
// whole new content; otherwise leaves the file alone and returns `result`. `beforeRename`, if
// set, runs still under the lock once the new content is safely on disk beside the file, just
// before it takes the file's place; its error leaves the file as it was.
struct Rewrite {
    bool write = false;
    QByteArray data;
    FileError result = FileError::None;
    std::function<FileError()> beforeRename;

    static Rewrite writing(QByteArray data)
    {
        Rewrite r;
        r.write = true;
        r.data = std::move(data);
        return r;
    }
    static Rewrite refusing(FileError result)
    {
        Rewrite r;
        r.result = result;
        return r;
    }
};

// Under the file's lock, reads `path` as it is now and writes what `decide` makes of it, as
// replaceFile does (a missing file is then created). `decide` gets the bytes, or nullptr when the
// file is missing; it is not called when the file cannot be read or written (the error is
// returned). Returns the write's error, or the Rewrite's result when it writes nothing.
[[nodiscard]] FileError rewriteLocked(const QString &path,
                                      const std::function<Rewrite(const QByteArray *current)> &decide);

// How much of a file over kMaxFileBytes a rewrite reads: none (the file is refused), or its first
// kMaxFileBytes bytes, for a file whose content is a list that a rewrite may cut short.
enum class ReadLimit { Whole, FirstBytes };

// The same for the file `name` (one name, no '/') of the open folder `folder`: the lock file, the
// temporary and the file itself are all in that folder, reached through no path.
[[nodiscard]] FileError rewriteLocked(int folder, const QByteArray &name, ReadLimit limit,
                                      const std::function<Rewrite(const QByteArray *current)> &decide);

// Creates a new file holding `data` in `folderPath` under the first free one of the names
// nameFor(0), nameFor(1), … (an empty name ends them): written whole under a temporary name first,
// it takes its name only where nothing has that name, so a file another till made a moment
// before is never replaced. `created` (if given) receives the name taken.
[[nodiscard]] FileError createNew(const QString &folderPath, const std::function<QString(int k)> &nameFor,
                                  const QByteArray &data, QString *created);

// Removes the temporary files that killed writes left in `folderPath`; those of writes under way
// (locked by their till) stay. Returns how many were removed.
int removeLeftovers(const QString &folderPath);
int removeLeftovers(int folder);

// Opens an ordinary file to read it, never following a link and never waiting for the writer of a
// pipe; anything but an ordinary file is refused as Other. `size` receives the file's size.
// The one way every file of the data folder is opened to be read.
[[nodiscard]] FileError openOrdinaryFile(const QString &path, UniqueFd &fd, qint64 *size);
[[nodiscard]] FileError openOrdinaryFile(int folder, const char *name, UniqueFd &fd, qint64 *size);

// The same for a name the folder's listing has just shown as an ordinary file, as the scan of
// 100,000 cards reads them: without a second look at its type. Whatever took its place since is
// still never followed or waited for (a link fails to open; a pipe, a socket or a folder at the
// first read); the reader bounds what it reads.
[[nodiscard]] UniqueFd openListedFile(int folder, const char *name);

// Reads the file whole, or only its first `maxBytes` bytes when maxBytes >= 0. Links, pipes and
// anything else but an ordinary file are refused as Other, at once; so is a file over
// kMaxFileBytes, unless no more than its first kMaxFileBytes bytes are asked for.
[[nodiscard]] FileError readFile(const QString &path, QByteArray &out, qint64 maxBytes = -1);
[[nodiscard]] FileError readFile(int folder, const char *name, QByteArray &out, qint64 maxBytes = -1);

// The temporary file of one write: hidden, named ".~" and eight letters or digits, locked while it
// lives so that removeLeftovers of any till leaves it alone, and removed with it unless it took its
// final name.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile();

    // Creates it in the folder at the path `folder`, or in the open folder `folder`, open for
    // writing, or holds none with errno set.
    UniqueFd create(const QByteArray &folder, mode_t mode);
    UniqueFd create(int folder, mode_t mode);
    // Its path (the folder's path as given to create(), and its name), and its name alone.
    QByteArray name() const { return m_prefix + m_leaf; }
    const QByteArray &leaf() const { return m_leaf; }
    // The file has its final name now.
    void named() { m_leaf.clear(); }

private:
    UniqueFd m_folder;
    QByteArray m_prefix;
    QByteArray m_leaf;
    std::optional<FileLock> m_lock;
};

// A new file has the mode the umask leaves, and the group may read and write it where its folder
// (of status `folderStat`) lets the group write: the umask would take that from the other users of
// a shared folder. False when the mode cannot be set.
bool shareWithGroup(int fd, const struct stat &folderStat);

// Makes the folder `path` when it is missing, writable by the group when the folder above it is
// (set after mkdir: the umask, 022 as a rule, would take the group's write). An existing folder is
// fine; anything else in its place is an error.
[[nodiscard]] FileError makeFolder(const QString &path);

// Opens the program's own folder `name` of the open folder `parent` into `folder`, with `create`
// made when missing (see ownfolder::open): Planted when a link or anything but a folder has its name.
[[nodiscard]] FileError openOwnFolder(int parent, const QByteArray &name, bool create, UniqueFd &folder);

// True when something (a file, folder or link, even a dangling one) has that name. A name that
// cannot be looked at counts as free: writing to it then fails with its own message.
bool nameTaken(const QString &path);

} // namespace safefile

#pragma once

#include "UniqueFd.h"

#include <QString>

#include <chrono>
#include <optional>

// An advisory lock between programs sharing one data folder (two tills, or a till and the
// owner's computer): an open-file-description lock on a range of one lock file, held only for the
// milliseconds of a write. Two locks conflict even inside one process, as two tills do. The lock
// goes with its owner.
class FileLock {
public:
    // The slot of one file's lock, the same in every program on the folder; slot 0 is the whole
    // folder, which conflicts with every file.
    static quint32 slotFor(const QString &fileName);
    static quint32 slotFor(const QByteArray &nativeName); // the name as the file system has it
    static constexpr quint32 kWholeFolder = 0;

    // Takes the lock `slot` of the lock file `lockPath` (created when missing, writable by the
    // folder's group when the folder is), trying again for up to `patience`. Nothing, with errno
    // set, when it cannot be had: EWOULDBLOCK when another holds it all that time. A file's slot
    // goes to a till already waiting for it before one that comes for it later.
    static std::optional<FileLock> acquire(const QString &lockPath, quint32 slot,
                                           std::chrono::milliseconds patience = std::chrono::seconds(2));
    // The same with the lock file of the open folder `folder`.
    static std::optional<FileLock> acquire(int folder, quint32 slot,
                                           std::chrono::milliseconds patience = std::chrono::seconds(2));

    // A running program's mark on its data folder, held for its whole run: shared with every other
    // program running on the folder, or sole (to restore a backup) only while no other runs. Taken
    // at once or not at all (EWOULDBLOCK).
    static std::optional<FileLock> presence(const QString &lockPath, bool sole);

    // Takes a lock on the whole of an open file at once, or gives nothing (EWOULDBLOCK: another
    // holds it). For temporary files, which stay locked while they are written.
    static std::optional<FileLock> tryWholeFile(int fd);

private:
    explicit FileLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    static std::optional<FileLock> acquire(UniqueFd lockFile, quint32 slot,
                                           std::chrono::milliseconds patience);
    static bool lockRange(int fd, off_t start, off_t length);

    UniqueFd m_fd; // closing it releases the lock
};

// The lock file of a data folder (ending with '/'): a hidden file the customer scan never lists.
QString lockFileOf(const QString &bazaPath);

#pragma once

#include "FileError.h"
#include "SafeFile.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QString>

// A file the owner asked for (an export, a slip's PDF) while it is written: one of the program's
// temporary files beside the target, which takes the target's name only once it is whole and on
// the disk. Until then an existing target stays as it was; a failed or cancelled write leaves
// nothing behind.
class OutputFile {
public:
    // Creates the temporary beside `target` (a writable target folder, and a target that is an
    // ordinary file this user may write, or nothing).
    [[nodiscard]] FileError open(const QString &target);

    int fd() const { return m_fd.get(); }
    // The temporary's path, for a library that opens the file itself.
    QByteArray temporaryPath() const { return m_file.name(); }

    // Writes all of `data` at the file's end.
    [[nodiscard]] FileError write(QByteArrayView data);
    // Flushes the temporary to the disk and gives it the target's name.
    [[nodiscard]] FileError commit();

    // The whole file at once.
    [[nodiscard]] static FileError writeWhole(const QString &target, QByteArrayView data);

private:
    safefile::TemporaryFile m_file;
    UniqueFd m_folder;
    UniqueFd m_fd;
    QByteArray m_targetName;
};

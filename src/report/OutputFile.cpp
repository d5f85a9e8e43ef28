#include "OutputFile.h"

#include "FileName.h"
#include "OwnFolder.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileError OutputFile::open(const QString &target)
{
    const QFileInfo info(target);
    m_targetName = filename::encode(info.fileName());
    if (m_targetName.isEmpty())
        return FileError::Other;
    m_folder = ownfolder::openPath(info.absolutePath());
    if (!m_folder.isOpen())
        return classifyErrno(errno);
    struct stat folderStat {};
    if (::fstat(m_folder.get(), &folderStat) != 0)
        return classifyErrno(errno);
    if (::faccessat(m_folder.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return FileError::AccessDenied;
    // The rename would put the file over a folder, or over a file the user protected.
    struct stat st {};
    if (::fstatat(m_folder.get(), m_targetName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            return FileError::Other;
        if (S_ISREG(st.st_mode) &&
            ((st.st_mode & 0222) == 0 ||
             ::faccessat(m_folder.get(), m_targetName.constData(), W_OK, AT_EACCESS) != 0))
            return FileError::AccessDenied;
    }
    // Made through the folder's path, so that temporaryPath() names it for a library that opens it.
    m_fd = m_file.create(filename::encode(info.absolutePath()), 0666);
    if (!m_fd.isOpen())
        return classifyErrno(errno);
    (void)safefile::shareWithGroup(m_fd.get(), folderStat);
    return FileError::None;
}

FileError OutputFile::write(QByteArrayView data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            TEMP_FAILURE_RETRY(::write(m_fd.get(), data.data() + done, size_t(data.size() - done)));
        if (n <= 0)
            return n < 0 ? classifyErrno(errno) : FileError::Other;
        done += n;
    }
    return FileError::None;
}

FileError OutputFile::commit()
{
    if (::fsync(m_fd.get()) != 0 || ::close(m_fd.release()) != 0)
        return FileError::Other;
    if (::renameat(m_folder.get(), m_file.leaf().constData(), m_folder.get(), m_targetName.constData()) != 0)
        return classifyErrno(errno);
    m_file.named();
    ::fsync(m_folder.get());
    return FileError::None;
}

FileError OutputFile::writeWhole(const QString &target, QByteArrayView data)
{
    OutputFile file;
    FileError error = file.open(target);
    if (error == FileError::None)
        error = file.write(data);
    return error == FileError::None ? file.commit() : error;
}

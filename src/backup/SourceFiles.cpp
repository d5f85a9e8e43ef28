#include "SourceFiles.h"

#include "FileName.h"
#include "OwnFolder.h"
#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace backup {
namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// What a restore under way keeps in the base (".restore-…", files and folders) is no data.
bool isRestoreName(const QByteArray &name)
{
    return name.startsWith(".restore-");
}

// Temporary files of writes under way and the tills' lock files are no data either.
bool leftOut(const QByteArray &name)
{
    return name.startsWith(".~") || name.endsWith(".lock") || isRestoreName(name);
}

// The name as UTF-8 for the archive; a name in Windows-1251 (made by a Windows program) is read
// as the operator reads it.
QByteArray utf8Of(const QByteArray &name)
{
    if (std::all_of(name.cbegin(), name.cend(), [](char c) { return uchar(c) < 0x80; }))
        return name;
    return filename::display(filename::decode(name)).toUtf8();
}

// A folder and its sub-folders, depth first; `fd` is the folder itself, given over.
class Walk {
public:
    Walk(SourceList &list, QString &failed, QByteArray root)
        : m_list(list), m_failed(failed), m_root(std::move(root))
    {
    }

    bool folder(UniqueFd fd, const QList<QByteArray> &below, const QByteArray &prefix)
    {
        const std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(fd.get()), ::closedir);
        if (!dir)
            return fail(prefix);
        (void)fd.release(); // closedir closes it
        QList<QByteArray> files;
        QList<QByteArray> folders;
        for (;;) {
            errno = 0; // readdir's own failure is told apart from the end only by errno
            const dirent *e = ::readdir(dir.get());
            if (!e && errno != 0)
                return fail(prefix);
            if (!e)
                break;
            const QByteArray name(e->d_name);
            unsigned char type = e->d_type;
            struct stat st {};
            if (type == DT_UNKNOWN && ::fstatat(::dirfd(dir.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
            if (type == DT_REG && !leftOut(name))
                files.append(name);
            else if (type == DT_DIR && name != "." && name != ".." && !isRestoreName(name))
                folders.append(name);
        }
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        const auto index = quint32(m_list.folders.size());
        m_list.folders.append({m_root, below, prefix, {}});
        for (const QByteArray &name : std::as_const(files))
            m_list.add(index, name);
        files = {};

        for (const QByteArray &name : folders) {
            UniqueFd sub(::openat(::dirfd(dir.get()), name.constData(), kOpenFolder | O_NOFOLLOW));
            // Gone meanwhile, or a link or a file now: nothing to take from it.
            if (!sub.isOpen() && (errno == ENOENT || errno == ELOOP || errno == ENOTDIR))
                continue;
            const QByteArray subPrefix = prefix + utf8Of(name) + '/';
            if (!sub.isOpen())
                return fail(subPrefix);
            if (!folder(std::move(sub), below + QList<QByteArray>{name}, subPrefix))
                return false;
        }
        return true;
    }

private:
    bool fail(const QByteArray &prefix)
    {
        m_failed = QString::fromUtf8(prefix.endsWith('/') ? prefix.chopped(1) : prefix);
        return false;
    }

    SourceList &m_list;
    QString &m_failed;
    QByteArray m_root;
};

} // namespace

bool listSources(const QString &bazaPath, const QString &goodsPath, SourceList &list, QString &failed)
{
    list = {};
    const QByteArray baza = QFile::encodeName(bazaPath);
    Walk walk(list, failed, baza);
    UniqueFd root = ownfolder::openPath(bazaPath);
    if (!root.isOpen()) {
        failed = bazaPath;
        return false;
    }
    if (!walk.folder(std::move(root), {}, QByteArrayLiteral("База/")))
        return false;

    const QFileInfo goods(goodsPath);
    struct stat st {};
    if (!goodsPath.isEmpty() && ::lstat(QFile::encodeName(goodsPath).constData(), &st) == 0 &&
        S_ISREG(st.st_mode)) {
        list.folders.append(
            {QFile::encodeName(goods.absolutePath()), {}, {}, QByteArrayLiteral("Товары.txt")});
        list.add(quint32(list.folders.size() - 1), QFile::encodeName(goods.fileName()));
    }
    return true;
}

void SourceList::add(quint32 folder, const QByteArray &name)
{
    files.push_back({folder, quint32(names.size()), quint32(name.size())});
    names += name;
}

QByteArray SourceList::archiveName(const SourceFile &file) const
{
    const SourceFolder &f = folders[file.folder];
    return f.archiveName.isEmpty() ? f.archivePrefix + utf8Of(name(file)) : f.archiveName;
}

SourceReader::Read SourceReader::read(const SourceFile &file, QByteArray &buffer, qsizetype &size,
                                      struct stat &st)
{
    if (file.folder != m_openFolder) {
        const SourceFolder &folder = m_list.folders[file.folder];
        m_openFolder = file.folder;
        m_folder = ownfolder::openPath(filename::decode(folder.root));
        for (const QByteArray &name : folder.below) {
            if (!m_folder.isOpen())
                break;
            m_folder = UniqueFd(::openat(m_folder.get(), name.constData(), kOpenFolder | O_NOFOLLOW));
        }
    }
    const auto gone = [] { return errno == ENOENT || errno == ELOOP || errno == ENOTDIR; };
    if (!m_folder.isOpen())
        return gone() ? Read::Gone : Read::Failed;
    const UniqueFd fd(::openat(m_folder.get(), m_list.name(file).constData(),
                               O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.isOpen())
        return gone() ? Read::Gone : Read::Failed;
    if (::fstat(fd.get(), &st) != 0)
        return Read::Failed;
    if (!S_ISREG(st.st_mode))
        return Read::Gone;
    // The whole file is held at once; a file past the program's bound is no card or catalogue.
    size = readAllFrom(fd.get(), buffer, 0, safefile::kMaxFileBytes + 1);
    if (size > safefile::kMaxFileBytes)
        errno = EFBIG;
    return size >= 0 && size <= safefile::kMaxFileBytes ? Read::Ok : Read::Failed;
}

} // namespace backup

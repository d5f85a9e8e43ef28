#include "GoodsCatalogue.h"

#include "CardFile.h"
#include "Collation.h"
#include "Cp1251.h"
#include "FileLock.h"
#include "SafeFile.h"
#include "UniqueFd.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

// Opens the file to read it, as the cards are opened, and refuses one over kMaxFileBytes.
FileError openGoodsFile(const QString &path, UniqueFd &fd)
{
    qint64 size = 0;
    const FileError error = safefile::openOrdinaryFile(path, fd, &size);
    if (error == FileError::None && size > GoodsCatalogue::kMaxFileBytes) {
        fd = UniqueFd();
        return FileError::Other;
    }
    return error;
}

// The whole file; a missing one is empty.
FileError readGoodsFile(const QString &path, QByteArray &bytes)
{
    UniqueFd fd;
    if (const FileError error = openGoodsFile(path, fd); error != FileError::None)
        return error == FileError::NotFound ? FileError::None : error;
    const qsizetype have = readAllFrom(fd.get(), bytes, 0, GoodsCatalogue::kMaxFileBytes + 1);
    if (have < 0 || have > GoodsCatalogue::kMaxFileBytes)
        return FileError::Other; // it grew past the bound since it was opened
    bytes.resize(have);
    return FileError::None;
}

// A hidden file beside "Товары.txt", so that the lock outlives the renames that replace it.
QString lockPathOf(const QString &path)
{
    const QFileInfo info(path);
    return info.path() + QStringLiteral("/.") + info.completeBaseName() + QStringLiteral(".lock");
}

} // namespace

GoodsCatalogue::GoodsCatalogue() : m_collator(russianCollator()) {}

void GoodsCatalogue::load(const QString &path)
{
    UniqueFd fd;
    QFile file;
    if (openGoodsFile(path, fd) == FileError::None && file.open(fd.get(), QIODevice::ReadOnly))
        load(file);
}

void GoodsCatalogue::load(QIODevice &file)
{
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            const qsizetype lineEnd = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
            bytes.truncate(lineEnd + 1);
            break;
        }
        if (n == 0)
            break;
        bytes.append(chunk, qsizetype(n));
        if (bytes.size() > kMaxFileBytes)
            return;
    }
    loadBytes(bytes);
}

void GoodsCatalogue::loadBytes(const QByteArray &bytes)
{
    CardLineReader in(bytes);
    while (!in.atEnd())
        m_names.append(in.readLine());
    std::stable_sort(m_names.begin(), m_names.end(),
                     [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
}

bool GoodsCatalogue::containsIgnoringCase(const QString &name) const
{
    const QString lower = name.toLower();
    return std::any_of(m_names.cbegin(), m_names.cend(),
                       [&lower](const QString &entry) { return entry.toLower() == lower; });
}

int GoodsCatalogue::add(const QString &name)
{
    const auto at =
        std::upper_bound(m_names.begin(), m_names.end(), name,
                         [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
    const int index = int(at - m_names.begin());
    m_names.insert(index, name);
    m_added.append(name);
    return index;
}

QByteArray GoodsCatalogue::serialize() const
{
    QByteArray out;
    for (const QString &name : m_names) {
        out += cp1251::encode(name);
        out += "\r\n";
    }
    return out;
}

QByteArray GoodsCatalogue::mergedInto(const QByteArray &fileBytes) const
{
    GoodsCatalogue merged;
    merged.loadBytes(fileBytes);
    // The same test as containsIgnoringCase, once per name rather than once per name and line.
    QSet<QString> present;
    for (const QString &name : merged.names())
        present.insert(name.toLower());
    for (const QString &name : m_added) {
        if (!present.contains(name.toLower())) {
            present.insert(name.toLower());
            merged.add(name);
        }
    }
    return merged.serialize();
}

FileError GoodsCatalogue::save(const QString &path,
                               const std::function<FileError(const QByteArray &)> &keep) const
{
    // Held until the new file is in place. Without it (a folder this user may not write, or the
    // other copy stuck for seconds) the save goes on: the write reports its own error, and this
    // run's names are not given up.
    const std::optional<FileLock> lock = FileLock::acquire(lockPathOf(path), FileLock::kWholeFolder);
    QByteArray onDisk;
    if (const FileError error = readGoodsFile(path, onDisk); error != FileError::None)
        return error;
    const QByteArray merged = mergedInto(onDisk);
    return safefile::rewriteLocked(path, [&](const QByteArray *) {
        safefile::Rewrite rewrite = safefile::Rewrite::writing(merged);
        if (keep && !onDisk.isEmpty() && onDisk != merged)
            rewrite.beforeRename = [&] { return keep(onDisk); };
        return rewrite;
    });
}

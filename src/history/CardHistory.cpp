#include "CardHistory.h"

#include "SafeFile.h"

#include <algorithm>

namespace {

constexpr char kHistoryFolder[] = ".history";

} // namespace

CardHistory::CardHistory(QString bazaPath)
    : m_folder(bazaPath + QLatin1String(kHistoryFolder) + QLatin1Char('/'))
{
}

QString CardHistory::fileFor(const QString &cardFile) const
{
    return m_folder + cardFile + QStringLiteral(".v");
}

FileError CardHistory::keep(const QString &cardFile, const QByteArray &replaced, int purchasesAfter,
                            const QDateTime &now) const
{
    // Writable by the group where the data folder is, so that every till of the shop may add to it.
    if (const FileError error = safefile::makeFolder(m_folder); error != FileError::None)
        return error;
    return safefile::rewriteLocked(fileFor(cardFile), [&](const QByteArray *current) {
        QList<CardVersion> versions = current ? parse(*current) : QList<CardVersion>();
        versions.append({now, replaced, purchasesAfter});
        return safefile::Rewrite::writing(serialize(pruned(versions, now)));
    });
}

QList<CardVersion> CardHistory::versions(const QString &cardFile) const
{
    QByteArray file;
    return safefile::readFile(fileFor(cardFile), file) == FileError::None ? parse(file)
                                                                          : QList<CardVersion>();
}

QList<CardVersion> CardHistory::pruned(QList<CardVersion> versions, const QDateTime &now)
{
    const QDateTime since = now.addDays(-kKeepDays);
    qsizetype drop = 0;
    while (drop < versions.size() - kKeepAtLeast && versions[drop].replaced < since)
        ++drop;
    qint64 bytes = 0;
    qsizetype first = versions.size() - 1; // the oldest one kept within kMaxBytes
    for (; first > drop; --first) {
        bytes += versions[first].bytes.size();
        if (bytes + versions[first - 1].bytes.size() > kMaxBytes)
            break;
    }
    versions.remove(0, std::max(drop, first));
    return versions;
}

QList<CardVersion> CardHistory::parse(const QByteArray &file)
{
    QList<CardVersion> versions;
    qsizetype at = 0;
    while (at < file.size()) {
        const qsizetype end = file.indexOf('\n', at);
        if (end < 0)
            break;
        const QList<QByteArray> fields = file.mid(at, end - at).split(' ');
        bool okTime = false, okSize = false, okCount = false;
        if (fields.size() != 4 || fields[0] != "V")
            break;
        const qint64 ms = fields[1].toLongLong(&okTime);
        const qsizetype size = fields[2].toLongLong(&okSize);
        const int count = fields[3].toInt(&okCount);
        if (!okTime || !okSize || !okCount || size < 0 || size > file.size() - end - 1)
            break;
        versions.append({QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC), file.mid(end + 1, size), count});
        at = end + 1 + size;
    }
    return versions;
}

QByteArray CardHistory::serialize(const QList<CardVersion> &versions)
{
    QByteArray file;
    for (const CardVersion &v : versions)
        file += "V " + QByteArray::number(v.replaced.toMSecsSinceEpoch()) + ' ' +
                QByteArray::number(v.bytes.size()) + ' ' + QByteArray::number(v.purchasesAfter) + '\n' +
                v.bytes;
    return file;
}

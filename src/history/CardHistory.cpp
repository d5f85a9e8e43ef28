#include "CardHistory.h"

#include "FileName.h"
#include "OwnFolder.h"
#include "SafeFile.h"

#include <algorithm>
#include <cerrno>

namespace {

const QByteArray kHistoryFolder = QByteArrayLiteral(".history");
// More purchases than any card of kMaxFileBytes can hold: a count past it is not the program's.
constexpr int kMaxPurchases = int(safefile::kMaxFileBytes / 2);

} // namespace

CardHistory::CardHistory(QString bazaPath) : m_bazaPath(std::move(bazaPath)) {}

QString CardHistory::folder() const
{
    return m_bazaPath + QString::fromLatin1(kHistoryFolder) + QLatin1Char('/');
}

QByteArray CardHistory::fileFor(const QString &cardFile)
{
    return filename::encode(cardFile) + ".v";
}

FileError CardHistory::openFolder(bool create, UniqueFd &history) const
{
    // The history folder is reached from the data folder and never through a link: another member
    // of the shop's group may have put one in its place.
    const UniqueFd baza = ownfolder::openPath(m_bazaPath);
    if (!baza.isOpen())
        return classifyErrno(errno);
    // Made writable by the group where the data folder is, so that every till may add to it.
    return safefile::openOwnFolder(baza.get(), kHistoryFolder, create, history);
}

FileError CardHistory::keep(const QString &cardFile, const QByteArray &replaced, int purchasesAfter,
                            const QDateTime &now) const
{
    UniqueFd history;
    if (const FileError error = openFolder(true, history); error != FileError::None)
        return error == FileError::Planted ? error : FileError::NotKept;
    // A history grown past what is read (by another hand: pruning keeps it far smaller) is read
    // only as far as that, and its newest versions within the bound kept.
    const FileError error = safefile::rewriteLocked(
        history.get(), fileFor(cardFile), safefile::ReadLimit::FirstBytes, [&](const QByteArray *current) {
            QList<CardVersion> versions = current ? parse(*current) : QList<CardVersion>();
            versions.append({now, replaced, purchasesAfter});
            return safefile::Rewrite::writing(serialize(pruned(versions, now)));
        });
    return error == FileError::None ? error : FileError::NotKept;
}

QList<CardVersion> CardHistory::versions(const QString &cardFile) const
{
    UniqueFd history;
    QByteArray file;
    return openFolder(false, history) == FileError::None &&
                   safefile::readFile(history.get(), fileFor(cardFile).constData(), file) == FileError::None
               ? parse(file)
               : QList<CardVersion>();
}

int CardHistory::removeLeftovers() const
{
    UniqueFd history;
    return openFolder(false, history) == FileError::None ? safefile::removeLeftovers(history.get()) : 0;
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
        // Anyone of the shop's group may write the file: every number is checked before use.
        if (!okTime || !okSize || !okCount || size < 0 || size > file.size() - end - 1 || count < 0 ||
            count > kMaxPurchases || ms < kEarliestMs || ms > kLatestMs)
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

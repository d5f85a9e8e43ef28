#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace backup {

// What an archive must hold, entry by entry in the order written: the UTF-8 name of each, given
// on demand so that a large base's names are not kept twice, and the SHA-256 of its bytes.
class Checksums {
public:
    explicit Checksums(std::function<QByteArray(qsizetype entry)> nameOf) : m_nameOf(std::move(nameOf)) {}

    void append(qsizetype entry, const QByteArray &sha256);
    qsizetype size() const { return qsizetype(m_entries.size()); }
    QByteArray name(qsizetype i) const { return m_nameOf(m_entries[size_t(i)]); }
    QByteArrayView sha256(qsizetype i) const { return QByteArrayView(m_sums).sliced(i * 32, 32); }

private:
    std::function<QByteArray(qsizetype)> m_nameOf;
    std::vector<qsizetype> m_entries;
    QByteArray m_sums;
};

enum class CheckOutcome { Matches, Differs, Cancelled };

// Reads the .zip archive at `path` back whole. It matches when it holds exactly the entries of
// `expected`, in that order, with those bytes (and libarchive's own checks pass). `afterEntry` is
// called after each entry; returning false stops the check as Cancelled.
CheckOutcome checkArchive(const QString &path, const Checksums &expected,
                          const std::function<bool()> &afterEntry = {});

} // namespace backup

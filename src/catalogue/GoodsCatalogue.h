#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QCollator>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

// The goods names offered in the goods field: kept sorted (Russian, letter case ignored),
// duplicates and empty names included, read from and written to "Товары.txt". Two copies of the
// program may share the file: each one's save keeps the names the other added.
class GoodsCatalogue {
public:
    // A bigger "Товары.txt" is no list of goods: it is neither read nor written over.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    GoodsCatalogue();

    // Reads the file line by line; a missing or unreadable file, a link, and anything but an
    // ordinary file of at most kMaxFileBytes (a pipe is not waited on) leave the catalogue empty.
    void load(const QString &path);
    // Reads the open file to its end. A read error ends the reading: the whole lines read before
    // it are kept, the line it cut is not. More than kMaxFileBytes adds nothing.
    void load(QIODevice &file);
    void loadBytes(const QByteArray &bytes);

    const QStringList &names() const { return m_names; }
    int count() const { return int(m_names.size()); }

    // True when an entry equals the name once both are lower-cased.
    bool containsIgnoringCase(const QString &name) const;
    // Inserts the name at its sorted place and returns that place. The catalogue remembers it as
    // added during this run.
    int add(const QString &name);
    const QStringList &addedNames() const { return m_added; }

    // One name a line, CR LF, Windows-1251, in list order.
    QByteArray serialize() const;
    // What the file `fileBytes` becomes on save: its own lines as they are, duplicates included,
    // and each name added during this run that it lacks (letter case ignored), in list order.
    QByteArray mergedInto(const QByteArray &fileBytes) const;
    // Under the file's lock, which the other copy of the program takes too, reads the file again
    // and writes it as mergedInto() gives. A file that exists but cannot be read whole is left as
    // it is and reported.
    // `keep`, if given, is handed the file's bytes before they are replaced, still under the lock;
    // its error leaves the file as it was.
    [[nodiscard]] FileError save(const QString &path,
                                 const std::function<FileError(const QByteArray &)> &keep = {}) const;

private:
    QCollator m_collator;
    QStringList m_names;
    QStringList m_added;
};

inline constexpr auto kGoodsFileName = "Товары.txt";

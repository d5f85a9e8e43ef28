#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QCollator>
#include <QString>
#include <QStringList>

class QIODevice;

// The goods names offered in the goods field: kept sorted (Russian, letter case ignored),
// duplicates and empty names included, read from and written to "Товары.txt".
class GoodsCatalogue {
public:
    GoodsCatalogue();

    // Reads the file line by line; a missing or unreadable file leaves the catalogue empty.
    void load(const QString &path);
    // Reads the open file to its end. A read error ends the reading: the whole lines read before
    // it are kept, the line it cut is not.
    void load(QIODevice &file);
    void loadBytes(const QByteArray &bytes);

    const QStringList &names() const { return m_names; }
    int count() const { return int(m_names.size()); }

    // True when an entry equals the name once both are lower-cased.
    bool containsIgnoringCase(const QString &name) const;
    // Inserts the name at its sorted place and returns that place.
    int add(const QString &name);

    // One name a line, CR LF, Windows-1251, in list order.
    QByteArray serialize() const;
    [[nodiscard]] FileError save(const QString &path) const;

private:
    QCollator m_collator;
    QStringList m_names;
};

inline constexpr auto kGoodsFileName = "Товары.txt";

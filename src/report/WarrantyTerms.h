#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// How many months of warranty each kind of goods has, kept in "Гарантия.txt" beside "Товары.txt":
// Windows-1251, one "name<TAB>months" line a term, CR LF. The tab keeps names with blanks and
// digits whole; the line starts with the name so that the file sorts and reads like the goods
// list. Lines the program cannot read (a note the owner typed) are kept as they are.
//
// Names match with letter case and the blanks around them ignored. Two programs may share the
// file: a save writes this run's changes into the file as it is at that moment, under its lock, so
// what the other one saved meanwhile stays.
class WarrantyTerms {
public:
    // A bigger file is no list of terms: it is neither read nor written over.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    static constexpr int kMaxMonths = 1200;

    struct Term {
        QString name;
        int months = 0;
    };

    // "Гарантия.txt" in the folder of `goodsPath`.
    static QString pathBeside(const QString &goodsPath);

    // Reads the file; a missing one is an empty table (None). On an error the table stays empty.
    [[nodiscard]] FileError load(const QString &path);
    void loadBytes(const QByteArray &bytes);

    // 0 when the goods have no term.
    int months(const QString &goods) const;
    // Sets a term (months 1..kMaxMonths) or, with 0, removes it; remembered as this run's change.
    void setMonths(const QString &goods, int months);
    // Every term, names in Russian order.
    QList<Term> terms() const;

    // The day the warranty of goods bought on `purchase` runs to: as many months later (see
    // warrantyEnd(QDate, int)); null without a term or a valid date.
    QDate warrantyEnd(const QDate &purchase, const QString &goods) const;
    static QDate warrantyEnd(const QDate &purchase, int months);
    // An item's: its own name's term where the table has one, else the goods'.
    QDate warrantyEnd(const QDate &purchase, const QString &goods, const QString &item) const;

    // The key a name is matched by: letter case and the blanks around it ignored.
    static QString keyOf(const QString &name);

    QByteArray serialize() const;
    // The file `fileBytes` with this run's changes written into it: a changed name's line
    // replaced in place (its repeats dropped), new ones added at the end in the order set, a
    // removed one dropped.
    QByteArray mergedInto(const QByteArray &fileBytes) const;

    // Under the file's lock, reads it again, writes mergedInto() of it and takes the result as the
    // table. `keep`, if given, is handed the bytes replaced, still under the lock (see
    // keepInHistory); its error leaves the file as it was. A file over kMaxFileBytes is left alone.
    [[nodiscard]] FileError save(const QString &path,
                                 const std::function<FileError(const QByteArray &)> &keep = {});
    // A `keep` that adds the replaced file to the data folder's history, as the goods list's.
    static std::function<FileError(const QByteArray &)> keepInHistory(const QString &bazaPath);

private:
    // The name and months of a line, or nothing.
    static std::optional<Term> parseLine(QByteArrayView line);
    static QByteArray lineOf(const Term &term);

    QHash<QString, Term> m_terms;                  // by key
    QHash<QString, std::optional<Term>> m_changes; // by key; nothing: removed
    QStringList m_changeOrder;                     // the keys changed, first changed first
};

inline constexpr auto kWarrantyFileName = "Гарантия.txt";

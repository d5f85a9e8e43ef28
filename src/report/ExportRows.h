#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class WarrantyTerms;

// One row of the export: one item of a purchase, or the purchase itself when it has none.
struct ExportRow {
    QString customer;
    QString phones;
    QString file;
    QDate date;       // null when the card's date names no day: then dateText
    QString dateText; // as the purchase list shows it
    QString goods;
    std::optional<double> sum; // nothing when the sum cannot be read: then sumText
    QString sumText;           // the card's text, with a decimal comma
    QString item;
    QString serial;
    QDate warrantyEnd;
};

// Which purchases go into an export: all of them, or those dated in [from, to].
struct ExportScope {
    QDate from; // both null: all time
    QDate to;

    bool allTime() const { return from.isNull() && to.isNull(); }
    bool holds(const QDate &date) const
    {
        return allTime() || (date.isValid() && date >= from && date <= to);
    }
};

namespace exportrows {

// The column captions, in row order.
const QStringList &captions();

// True when the card has a purchase the scope holds; `unreadableDates`, if given, counts those whose
// date cannot be read, left out of a period.
bool wanted(QByteArrayView card, const ExportScope &scope, qint64 *unreadableDates = nullptr);

// The rows of one card. The warranty of an item is its own name's term where the table has one,
// else the purchase's goods'.
QList<ExportRow> rows(const QString &fileName, QByteArrayView card, const ExportScope &scope,
                      const WarrantyTerms &terms);

} // namespace exportrows

#pragma once

#include "CardFile.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// A purchase of a card as its file holds it, for the owner's reports: read by the card opener's
// line rules (cardfile::parse) but kept as the lines' bytes, so that a sum the card shows as 0
// because it cannot be read is told apart from a real 0, and so that only what a report needs is
// decoded.
struct PurchaseLines {
    QByteArrayView day;
    QByteArrayView month;
    QByteArrayView year;
    QByteArrayView goods;
    QByteArrayView sum;
    // The item lines, name and serial number by turns, from the first to the end of the last.
    QByteArrayView items;
    int itemLines = 0;
};

// The eight header lines of a card.
struct HeaderLines {
    QByteArrayView line[8];
};

namespace purchaselines {

// Hands each purchase of the card to `visit` in file order, the header's lines to `header` when
// given. `visit` returns false to stop.
template <typename Visit> void read(QByteArrayView bytes, HeaderLines *header, Visit &&visit);

// The purchase's date by the card's number rules (day and year as integer lines, the month index
// rounded): null when that names no day of the calendar (a 29 February only in leap years).
QDate date(const PurchaseLines &p);
QDate date(const TovarCls &p);

// The sum by the card's number rule (numform::normaliseSumma): nothing when the line holds no
// digit where the number belongs ("", "договорная", "-"), which the card would show as 0.
std::optional<double> sum(QStringView line);

// The item lines decoded: name and serial number by turns.
QStringList items(const PurchaseLines &p);

// The purchase as the card opener makes it, its sum normalised.
TovarCls toTovar(const PurchaseLines &p);

// The customer's full name ("Фамилия Имя Отчество", blanks between the parts present) and phones
// ("home, work", those present).
QString fullName(const HeaderLines &h);
QString phones(const HeaderLines &h);

// The count line of the items.
int itemCount(QByteArrayView line);

} // namespace purchaselines

template <typename Visit> void purchaselines::read(QByteArrayView bytes, HeaderLines *header, Visit &&visit)
{
    CardLineReader in(bytes);
    HeaderLines skipped;
    for (QByteArrayView &line : (header ? header : &skipped)->line)
        line = in.readLineBytes();
    while (!in.atEnd()) {
        PurchaseLines p;
        p.day = in.readLineBytes();
        p.month = in.readLineBytes();
        p.year = in.readLineBytes();
        p.goods = in.readLineBytes();
        p.sum = in.readLineBytes();
        const int n = itemCount(in.readLineBytes());
        for (int k = 0; k < n && !in.atEnd(); ++k) {
            const QByteArrayView line = in.readLineBytes();
            p.items =
                k == 0 ? line : QByteArrayView(p.items.data(), line.data() + line.size() - p.items.data());
            ++p.itemLines;
        }
        if (!visit(p))
            return;
    }
}

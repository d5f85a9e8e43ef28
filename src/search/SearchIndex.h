#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// One sold item as the search shows it; a purchase without items and a customer without
// purchases each give one row with the missing columns empty.
struct SearchRow {
    QString fio;
    QString phones;
    QString date;
    QString tovar;
    QString izdelie;
    QString serial;
    QString fileName;
    int purchase = -1; // position of the purchase in its card, -1 for a customer without purchases
};

struct SearchResult {
    qint64 total = 0;       // every matching row
    QList<SearchRow> rows;  // the first rows, up to the limit asked for
};

// Where a serial number was sold before.
struct SoldItem {
    QString fio;
    QString date;
    QString fileName;
};

// Every purchase and item of every card, kept as folded Windows-1251 text so that a query is a
// few byte searches per card.
class SearchIndex {
public:
    // A card as the search keeps it: the folded text searched and the card's own bytes for showing.
    struct Entry {
        QString fileName;
        QByteArray folded;
        QByteArray raw;
    };
    static Entry makeEntry(const QString &fileName, const QByteArray &cardBytes);

    void replaceAll(QList<Entry> entries);
    // Adds the card, or replaces what was kept for that file.
    void setEntry(Entry entry);
    void removeFile(const QString &fileName);
    int cardCount() const { return int(m_positions.size()); }

    // Every blank-separated word must match some column of a row: names, goods, dates and file
    // names by the start of a word; phones (also by their digits alone) and serial numbers
    // (without blanks, "-", "/", ".") anywhere inside. Case is ignored and «ё» is «е».
    SearchResult query(const QString &text, int limit = 1000) const;

    // The first item recorded anywhere whose serial number equals `serial` compared as above.
    bool findSerial(const QString &serial, SoldItem *sold) const;

private:
    QList<Entry> m_entries;
    QHash<QString, int> m_positions;
};

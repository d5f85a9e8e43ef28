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

// Where a matching row is: the card file, the purchase in it and the item in that purchase
// (-1 where the row has none). The texts are read from the card only for rows shown.
struct SearchHit {
    QString fileName;
    int purchase = -1;
    int item = -1;
};

struct SearchResult {
    qint64 total = 0;      // every matching row
    QList<SearchHit> hits; // the first rows, up to the limit asked for
};

// Every purchase and item of every card, kept as folded Windows-1251 text so that a query is a
// byte search over one block of memory.
class SearchIndex {
public:
    // A card as the search keeps it: the folded text searched.
    struct Entry {
        QString fileName;
        QByteArray folded;
    };
    static Entry makeEntry(const QString &fileName, const QByteArray &cardBytes);
    // The texts of a row, from the bytes of its card.
    static SearchRow rowOf(const SearchHit &hit, const QByteArray &cardBytes);

    // Adds the card, or replaces what was kept for that file.
    void setEntry(const Entry &entry);
    void removeFile(const QString &fileName);
    int cardCount() const { return int(m_positions.size()); }

    // Every blank-separated word must match some column of a row: names, goods, dates and file
    // names by the start of a word; phones (also by their digits alone) and serial numbers
    // (without blanks, "-", "/", ".") anywhere inside. Case is ignored and «ё» is «е».
    SearchResult query(const QString &text, int limit = 1000) const;

    // The first item recorded anywhere whose serial number equals `serial` compared as above.
    bool findSerial(const QString &serial, SearchHit *hit) const;

private:
    // Where one card lies in the block.
    struct Slot {
        QString fileName;
        qsizetype folded = 0; // offset into the block
        int foldedSize = 0;
        bool live = false;
    };
    QByteArrayView foldedOf(const Slot &card) const { return QByteArrayView(m_folded).sliced(card.folded, card.foldedSize); }
    // The cards whose folded text holds `needle`, in card order.
    QList<int> cardsHolding(QByteArrayView needle) const;
    void compactIfWasteful();

    QList<Slot> m_cards;
    QHash<QString, int> m_positions;
    QByteArray m_folded;
    // Where each card's folded text starts, in block order; a card written again moves to the end.
    QList<std::pair<qsizetype, int>> m_starts;
    qsizetype m_waste = 0;
};

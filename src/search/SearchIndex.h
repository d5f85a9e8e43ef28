#pragma once

#include "FoldedCard.h"

#include <QByteArray>
#include <QDate>
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
    QString summa;
    QString izdelie;
    QString serial;
    QString fileName;
    QDate day;         // of the purchase; null when its date names no day
    QDate warrantyEnd; // null where the goods have no term or the date names no day
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
        CardShape shape;
    };
    static Entry makeEntry(const QString &fileName, QByteArrayView cardBytes);
    // The texts of a row, from the bytes of its card.
    static SearchRow rowOf(const SearchHit &hit, const QByteArray &cardBytes);

    // Adds the card, or replaces what was kept for that file.
    void setEntry(const Entry &entry);
    // The same from the card's bytes, folded straight into the index.
    void addCard(const QString &fileName, QByteArrayView cardBytes);
    void removeFile(const QString &fileName);
    // Takes over the cards of `other`, which holds none of the files of this index, after its own.
    void append(SearchIndex &&other);
    int cardCount() const { return int(m_positions.size()); }

    // Every blank-separated word must match some column of a row: names, goods, dates and file
    // names by the start of a word; phones (also by their digits alone) and serial numbers
    // (without blanks, "-", "/", ".") anywhere inside. Case is ignored and «ё» is «е». The rows
    // come by how they matched: the item whose whole serial number is the query, then customers
    // whose surname starts with the first word, then those whose name or patronymic does, then
    // the rest; each group in the cards' order.
    SearchResult query(const QString &text, int limit = 1000) const;

    // The first item recorded anywhere whose serial number equals `serial` compared as above.
    bool findSerial(const QString &serial, SearchHit *hit) const;

private:
    // The folded texts lie in chunks of about a megabyte, filled one after the other; a card
    // never spans two, so a byte search of a chunk sees whole cards, and nothing already folded
    // moves while the index grows.
    struct Chunk {
        QByteArray folded;
        // Where each card's folded text starts in the chunk, in offset order; a card written
        // again is appended to the last chunk and its old text left as waste.
        QList<std::pair<qsizetype, int>> starts;
    };
    // Where one card lies.
    struct Slot {
        QString fileName;
        int chunk = 0;
        qsizetype folded = 0; // offset into the chunk
        int foldedSize = 0;
        CardShape shape;
        bool live = false;
    };
    QByteArrayView foldedOf(const Slot &card) const
    {
        return QByteArrayView(m_chunks[card.chunk].folded).sliced(card.folded, card.foldedSize);
    }
    // The cards whose folded text holds `needle`, in card order.
    QList<int> cardsHolding(QByteArrayView needle) const;
    template <typename Append> void placeCard(const QString &fileName, Append append);
    Chunk &chunkWithRoom();
    void compactIfWasteful();

    QList<Slot> m_cards;
    QHash<QString, int> m_positions;
    QList<Chunk> m_chunks;
    qsizetype m_total = 0; // bytes in every chunk
    qsizetype m_waste = 0; // of them, the bytes of cards removed or written again
};

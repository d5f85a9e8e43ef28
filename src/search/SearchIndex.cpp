#include "SearchIndex.h"

#include "CardFile.h"
#include "FoldedCard.h"
#include "Folding.h"
#include "PurchaseDate.h"
#include "PurchaseDay.h"

#include <array>
#include <tuple>

#include <QRegularExpression>

#include <cstring>

namespace {

bool contains(QByteArrayView haystack, QByteArrayView needle)
{
    return !needle.isEmpty() &&
           ::memmem(haystack.data(), size_t(haystack.size()), needle.data(), size_t(needle.size()));
}

// A query word in the forms the sections are searched with.
struct Word {
    QByteArray folded;
    QByteArray wordStart; // " " + the word with its marks as blanks
    QByteArray serial;
    // The longest run of letters and digits: every section the word can match holds it whole.
    QByteArray key;

    explicit Word(QByteArray f)
        : folded(std::move(f)), wordStart(' ' + folding::wordify(folded)), serial(folding::serialForm(folded))
    {
        for (const QByteArray &run : wordStart.split(' '))
            if (run.size() > key.size())
                key = run;
        if (key.isEmpty())
            key = folded;
    }

    bool matches(Section kind, QByteArrayView text) const
    {
        switch (kind) {
        case Section::CardWords:
        case Section::PurchaseWords:
        case Section::ItemWords:
            return contains(text, wordStart);
        case Section::Phones:
            return contains(text, folded);
        case Section::Serial:
            return contains(text, serial);
        }
        return false;
    }
};

QString phonesText(const CardHeader &h)
{
    return h.telRab.isEmpty() ? h.telDom : h.telDom + QStringLiteral(", ") + h.telRab;
}

QString fioOf(const CardHeader &h)
{
    return h.familiya + QLatin1Char(' ') + h.imya + QLatin1Char(' ') + h.otchestvo;
}

SearchRow rowOfCard(const QString &fileName, const Card &card, int purchase, int item)
{
    SearchRow row;
    row.fio = fioOf(card.header);
    row.phones = phonesText(card.header);
    row.fileName = fileName;
    row.purchase = purchase;
    if (purchase >= 0 && purchase < card.pokupki.size()) {
        const TovarCls &p = card.pokupki[purchase];
        row.date = spokenDate(p.Day, p.Mesac, p.God);
        row.day = purchaseDay(p);
        row.tovar = p.Tovar;
        row.summa = p.Summa;
        if (item >= 0) {
            row.izdelie = p.List(2 * item);
            row.serial = p.List(2 * item + 1);
        }
    }
    return row;
}

} // namespace

SearchIndex::Entry SearchIndex::makeEntry(const QString &fileName, QByteArrayView cardBytes)
{
    Entry entry{fileName, {}, {}};
    entry.shape = appendFoldedCard(entry.folded, fileName, cardBytes);
    return entry;
}

SearchRow SearchIndex::rowOf(const SearchHit &hit, const QByteArray &cardBytes)
{
    return rowOfCard(hit.fileName, cardfile::parse(cardBytes), hit.purchase, hit.item);
}

namespace {
constexpr qsizetype kChunk = 1 << 20;
}

SearchIndex::Chunk &SearchIndex::chunkWithRoom()
{
    if (m_chunks.isEmpty() || m_chunks.last().folded.size() >= kChunk) {
        m_chunks.append(Chunk{});
        // With some room to spare, so that a card started near the end rarely moves the chunk.
        m_chunks.last().folded.reserve(kChunk + kChunk / 8);
    }
    return m_chunks.last();
}

template <typename Append> void SearchIndex::placeCard(const QString &fileName, Append append)
{
    auto at = m_positions.constFind(fileName);
    int position;
    if (at != m_positions.cend()) {
        position = *at;
        m_waste += m_cards[position].foldedSize;
    } else {
        position = int(m_cards.size());
        m_cards.append(Slot{});
        m_positions.insert(fileName, position);
    }
    Chunk &chunk = chunkWithRoom();
    const qsizetype start = chunk.folded.size();
    const CardShape shape = append(chunk.folded);
    const int size = int(chunk.folded.size() - start);
    m_cards[position] = {fileName, int(m_chunks.size() - 1), start, size, shape, true};
    chunk.starts.append({start, position});
    m_total += size;
    compactIfWasteful();
}

void SearchIndex::setEntry(const Entry &entry)
{
    placeCard(entry.fileName, [&entry](QByteArray &chunk) {
        chunk += entry.folded;
        return entry.shape;
    });
}

void SearchIndex::addCard(const QString &fileName, QByteArrayView cardBytes)
{
    placeCard(fileName, [&](QByteArray &chunk) { return appendFoldedCard(chunk, fileName, cardBytes); });
}

void SearchIndex::removeFile(const QString &fileName)
{
    const auto at = m_positions.constFind(fileName);
    if (at == m_positions.cend())
        return;
    Slot &card = m_cards[*at];
    m_waste += card.foldedSize;
    card = Slot{};
    m_positions.erase(at);
    compactIfWasteful();
}

void SearchIndex::append(SearchIndex &&other)
{
    const int firstCard = int(m_cards.size());
    const int firstChunk = int(m_chunks.size());
    m_positions.reserve(m_positions.size() + other.m_positions.size());
    for (Slot &card : other.m_cards) {
        if (card.live) {
            card.chunk += firstChunk;
            m_positions.insert(card.fileName, int(m_cards.size()));
        }
        m_cards.append(std::move(card));
    }
    for (Chunk &chunk : other.m_chunks) {
        for (auto &start : chunk.starts)
            start.second += firstCard;
        m_chunks.append(std::move(chunk));
    }
    m_total += other.m_total;
    m_waste += other.m_waste;
    other = SearchIndex();
}

void SearchIndex::compactIfWasteful()
{
    if (m_waste < kChunk || m_waste < m_total / 2)
        return;
    const QList<Chunk> old = std::exchange(m_chunks, {});
    m_total = 0;
    m_waste = 0;
    for (int i = 0; i < m_cards.size(); ++i) {
        Slot &card = m_cards[i];
        if (!card.live)
            continue;
        Chunk &chunk = chunkWithRoom();
        const qsizetype start = chunk.folded.size();
        chunk.folded += QByteArrayView(old[card.chunk].folded).sliced(card.folded, card.foldedSize);
        card.chunk = int(m_chunks.size() - 1);
        card.folded = start;
        chunk.starts.append({start, i});
        m_total += card.foldedSize;
    }
}

QList<int> SearchIndex::cardsHolding(QByteArrayView needle) const
{
    QList<int> found;
    for (int c = 0; c < m_chunks.size(); ++c) {
        const Chunk &chunk = m_chunks[c];
        const char *base = chunk.folded.constData();
        const qsizetype size = chunk.folded.size();
        qsizetype from = 0;
        while (from < size) {
            const void *hit =
                ::memmem(base + from, size_t(size - from), needle.data(), size_t(needle.size()));
            if (!hit)
                break;
            const qsizetype offset = static_cast<const char *>(hit) - base;
            // The last card that starts at or before the hit holds it, unless it was written again.
            auto it =
                std::upper_bound(chunk.starts.cbegin(), chunk.starts.cend(), offset,
                                 [](qsizetype o, const std::pair<qsizetype, int> &s) { return o < s.first; });
            --it;
            const Slot &card = m_cards[it->second];
            if (card.live && card.chunk == c && card.folded == it->first &&
                offset + needle.size() <= card.folded + card.foldedSize) {
                found.append(it->second);
                from = card.folded + card.foldedSize;
            } else {
                from = offset + 1;
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

SearchResult SearchIndex::query(const QString &text, int limit) const
{
    SearchResult result;
    QList<Word> words;
    for (const QString &w : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        const QByteArray folded = folding::foldQuery(w);
        if (folded.isEmpty())
            return result; // a character no card can hold matches nothing
        words.append(Word(folded));
    }
    if (words.isEmpty())
        return result;
    words = words.mid(0, 32);
    const quint32 all = words.size() == 32 ? ~0u : (1u << words.size()) - 1;

    // The cards holding the most telling word are the only ones worth a closer look.
    const Word *sweep = &words[0];
    for (const Word &w : words)
        if (w.key.size() > sweep->key.size())
            sweep = &w;

    // The rows by how they matched (see query()); each group keeps at most `limit`.
    enum Rank { WholeSerial, SurnameStart, NameStart, Other, kRanks };
    std::array<QList<SearchHit>, kRanks> ranked;
    const auto keptUpTo = [&ranked](int rank) {
        qsizetype kept = 0;
        for (int r = 0; r <= rank; ++r)
            kept += ranked[r].size();
        return kept;
    };
    const Word &first = words[0];
    const bool serialQuery = words.size() == 1 && !first.serial.isEmpty();

    QList<std::tuple<int, int, bool>> hits; // purchase, item, whole serial
    for (const int position : cardsHolding(sweep->key)) {
        const Slot &card = m_cards[position];
        const QByteArrayView folded = foldedOf(card);
        bool possible = true;
        for (const Word &w : words)
            possible = possible && (&w == sweep || contains(folded, w.key));
        if (!possible)
            continue;

        const auto mask = [&words](Section kind, QByteArrayView body) {
            quint32 m = 0;
            for (qsizetype i = 0; i < words.size(); ++i)
                if (words[i].matches(kind, body))
                    m |= 1u << i;
            return m;
        };
        Section kind;
        QByteArrayView body;
        // The card's own columns count for each of its rows: when they hold every word, every row
        // of the card matches, and past the rows shown they need only be counted.
        quint32 cardMask = 0;
        int cardRank = Other;
        Sections head(folded.first(card.shape.head));
        while (head.next(kind, body)) {
            cardMask |= mask(kind, body);
            if (kind == Section::CardWords && body.startsWith(first.wordStart))
                cardRank = SurnameStart;
            else if (kind == Section::CardWords && contains(body, first.wordStart))
                cardRank = NameStart;
        }
        const bool everyRow = cardMask == all;
        if (everyRow && keptUpTo(cardRank) >= limit &&
            (!serialQuery || ranked[WholeSerial].size() >= limit)) {
            result.total += card.shape.rows;
            continue;
        }

        // Which rows of the card match.
        hits.clear();
        quint32 purchaseMask = 0, itemMask = 0;
        int purchase = -1, item = -1;
        bool purchaseHasItems = false, wholeSerial = false;
        const auto closeItem = [&] {
            if (item >= 0 && (itemMask | purchaseMask) == all)
                hits.append({purchase, item, wholeSerial});
        };
        const auto closePurchase = [&] {
            closeItem();
            if (purchase >= 0 && !purchaseHasItems && purchaseMask == all)
                hits.append({purchase, -1, false});
        };
        Sections sections(folded.sliced(card.shape.head));
        while (sections.next(kind, body)) {
            switch (kind) {
            case Section::CardWords:
            case Section::Phones:
                break; // only in the head
            case Section::PurchaseWords:
                closePurchase();
                ++purchase;
                item = -1;
                purchaseHasItems = false;
                purchaseMask = everyRow ? all : cardMask | mask(kind, body);
                break;
            case Section::ItemWords:
                closeItem();
                ++item;
                purchaseHasItems = true;
                wholeSerial = false;
                itemMask = everyRow ? all : mask(kind, body);
                break;
            case Section::Serial:
                if (!everyRow)
                    itemMask |= mask(kind, body);
                wholeSerial = serialQuery && body == QByteArrayView(first.serial);
                break;
            }
        }
        closePurchase();
        if (purchase < 0 && cardMask == all)
            hits.append({-1, -1, false});
        if (hits.isEmpty())
            continue;

        result.total += hits.size();
        for (const auto &[p, i, serial] : hits) {
            QList<SearchHit> &group = ranked[serial ? WholeSerial : cardRank];
            if (group.size() < limit)
                group.append({card.fileName, p, i});
        }
    }
    for (const QList<SearchHit> &group : ranked)
        result.hits += group.mid(0, limit - result.hits.size());
    return result;
}

bool SearchIndex::findSerial(const QString &serial, SearchHit *hit) const
{
    const QByteArray wanted = folding::serialForm(folding::foldQuery(serial));
    if (wanted.isEmpty())
        return false;
    for (const int position : cardsHolding(wanted)) {
        const Slot &card = m_cards[position];
        Sections sections(foldedOf(card));
        Section kind;
        QByteArrayView body;
        int purchase = -1, item = -1;
        while (sections.next(kind, body)) {
            if (kind == Section::PurchaseWords) {
                ++purchase;
                item = -1;
            } else if (kind == Section::ItemWords) {
                ++item;
            } else if (kind == Section::Serial && body == QByteArrayView(wanted)) {
                if (hit)
                    *hit = {card.fileName, purchase, item};
                return true;
            }
        }
    }
    return false;
}

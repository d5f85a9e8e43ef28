#include "SearchIndex.h"

#include "CardFile.h"
#include "Cp1251.h"
#include "Folding.h"
#include "PurchaseDate.h"

#include <QRegularExpression>

#include <cstring>

namespace {

// The folded text of a card is a run of sections, each opened by one of these bytes (folding
// turns every control byte of the card into a blank, so they cannot occur inside a section).
enum Section : char {
    CardWords = 1, // full name and file name, searched by word start
    Phones = 2,    // both phones as written and as digits, searched anywhere
    PurchaseWords = 3,
    ItemWords = 4,
    Serial = 5, // searched anywhere
};

bool contains(QByteArrayView haystack, QByteArrayView needle)
{
    return !needle.isEmpty() && ::memmem(haystack.data(), size_t(haystack.size()), needle.data(), size_t(needle.size()));
}

QByteArray foldedField(const QString &text)
{
    return folding::fold(cp1251::encode(text));
}

void addSection(QByteArray &out, Section kind, const QByteArray &text)
{
    out.append(char(kind));
    out.append(text);
}

QByteArray startsOfWords(std::initializer_list<QString> fields)
{
    QByteArray out;
    for (const QString &f : fields)
        out += ' ' + folding::wordify(foldedField(f));
    return out;
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
        case CardWords:
        case PurchaseWords:
        case ItemWords:
            return contains(text, wordStart);
        case Phones:
            return contains(text, folded);
        case Serial:
            return contains(text, serial);
        }
        return false;
    }
};

// Walks the sections of a folded card.
class Sections {
public:
    explicit Sections(QByteArrayView text) : m_text(text) {}
    bool next(Section &kind, QByteArrayView &body)
    {
        if (m_pos >= m_text.size())
            return false;
        kind = Section(m_text[m_pos]);
        qsizetype end = m_pos + 1;
        while (end < m_text.size() && static_cast<unsigned char>(m_text[end]) > Serial)
            ++end;
        body = m_text.sliced(m_pos + 1, end - m_pos - 1);
        m_pos = end;
        return true;
    }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
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
        row.date = purchaseDateText(p.Day, p.Mesac, p.God);
        row.tovar = p.Tovar;
        if (item >= 0) {
            row.izdelie = p.List(2 * item);
            row.serial = p.List(2 * item + 1);
        }
    }
    return row;
}

} // namespace

SearchIndex::Entry SearchIndex::makeEntry(const QString &fileName, const QByteArray &cardBytes)
{
    const Card card = cardfile::parse(cardBytes);
    const CardHeader &h = card.header;
    QByteArray out;
    addSection(out, CardWords, startsOfWords({fioOf(h), fileName}));
    const QByteArray tel1 = foldedField(h.telDom);
    const QByteArray tel2 = foldedField(h.telRab);
    addSection(out, Phones, tel1 + ' ' + tel2 + ' ' + folding::digitsOf(tel1) + ' ' + folding::digitsOf(tel2));
    for (const TovarCls &p : card.pokupki) {
        addSection(out, PurchaseWords, startsOfWords({purchaseDateText(p.Day, p.Mesac, p.God), p.Tovar}));
        for (int k = 0; 2 * k < p.ListCount(); ++k) {
            addSection(out, ItemWords, startsOfWords({p.List(2 * k)}));
            addSection(out, Serial, folding::serialForm(foldedField(p.List(2 * k + 1))));
        }
    }
    return {fileName, out};
}

SearchRow SearchIndex::rowOf(const SearchHit &hit, const QByteArray &cardBytes)
{
    return rowOfCard(hit.fileName, cardfile::parse(cardBytes), hit.purchase, hit.item);
}

void SearchIndex::setEntry(const Entry &entry)
{
    auto at = m_positions.constFind(entry.fileName);
    int position;
    if (at != m_positions.cend()) {
        position = *at;
        m_waste += m_cards[position].foldedSize;
    } else {
        position = int(m_cards.size());
        m_cards.append(Slot{});
        m_positions.insert(entry.fileName, position);
    }
    Slot &card = m_cards[position];
    card = {entry.fileName, m_folded.size(), int(entry.folded.size()), true};
    m_folded += entry.folded;
    m_starts.append({card.folded, position});
    compactIfWasteful();
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

void SearchIndex::compactIfWasteful()
{
    if (m_waste < 1 << 20 || m_waste < m_folded.size() / 2)
        return;
    QByteArray folded;
    folded.reserve(m_folded.size() - m_waste);
    m_starts.clear();
    for (int i = 0; i < m_cards.size(); ++i) {
        Slot &card = m_cards[i];
        if (!card.live)
            continue;
        const qsizetype f = folded.size();
        folded += foldedOf(card);
        card.folded = f;
        m_starts.append({f, i});
    }
    m_folded = std::move(folded);
    m_waste = 0;
}

QList<int> SearchIndex::cardsHolding(QByteArrayView needle) const
{
    QList<int> found;
    const char *base = m_folded.constData();
    qsizetype from = 0;
    while (from < m_folded.size()) {
        const void *hit = ::memmem(base + from, size_t(m_folded.size() - from), needle.data(), size_t(needle.size()));
        if (!hit)
            break;
        const qsizetype offset = static_cast<const char *>(hit) - base;
        // The last card that starts at or before the hit holds it, unless it was written again.
        auto it = std::upper_bound(m_starts.cbegin(), m_starts.cend(), offset,
                                   [](qsizetype o, const std::pair<qsizetype, int> &s) { return o < s.first; });
        --it;
        const Slot &card = m_cards[it->second];
        if (card.live && card.folded == it->first && offset + needle.size() <= card.folded + card.foldedSize) {
            found.append(it->second);
            from = card.folded + card.foldedSize;
        } else {
            from = offset + 1;
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

    QList<std::pair<int, int>> hits; // purchase, item
    for (const int position : cardsHolding(sweep->key)) {
        const Slot &card = m_cards[position];
        const QByteArrayView folded = foldedOf(card);
        bool possible = true;
        for (qsizetype i = 0; possible && i < words.size(); ++i)
            possible = contains(folded, words[i].key);
        if (!possible)
            continue;

        const auto mask = [&words](Section kind, QByteArrayView body) {
            quint32 m = 0;
            for (qsizetype i = 0; i < words.size(); ++i)
                if (words[i].matches(kind, body))
                    m |= 1u << i;
            return m;
        };
        // Which rows of the card match: the card's own columns count for each of its rows.
        hits.clear();
        quint32 cardMask = 0, purchaseMask = 0, itemMask = 0;
        int purchase = -1, item = -1;
        bool purchaseHasItems = false;
        const auto closeItem = [&] {
            if (item >= 0 && (itemMask | purchaseMask) == all)
                hits.append({purchase, item});
        };
        const auto closePurchase = [&] {
            closeItem();
            if (purchase >= 0 && !purchaseHasItems && purchaseMask == all)
                hits.append({purchase, -1});
        };
        Sections sections(folded);
        Section kind;
        QByteArrayView body;
        while (sections.next(kind, body)) {
            switch (kind) {
            case CardWords:
            case Phones:
                cardMask |= mask(kind, body);
                break;
            case PurchaseWords:
                closePurchase();
                ++purchase;
                item = -1;
                purchaseHasItems = false;
                purchaseMask = cardMask | mask(kind, body);
                break;
            case ItemWords:
                closeItem();
                ++item;
                purchaseHasItems = true;
                itemMask = mask(kind, body);
                break;
            case Serial:
                itemMask |= mask(kind, body);
                break;
            }
        }
        closePurchase();
        if (purchase < 0 && cardMask == all)
            hits.append({-1, -1});
        if (hits.isEmpty())
            continue;

        result.total += hits.size();
        for (const auto &[p, i] : hits)
            if (result.hits.size() < limit)
                result.hits.append({card.fileName, p, i});
    }
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
            if (kind == PurchaseWords) {
                ++purchase;
                item = -1;
            } else if (kind == ItemWords) {
                ++item;
            } else if (kind == Serial && body == QByteArrayView(wanted)) {
                if (hit)
                    *hit = {card.fileName, purchase, item};
                return true;
            }
        }
    }
    return false;
}

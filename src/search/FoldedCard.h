#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The folded text of a card is a run of sections, each opened by one of these bytes (folding
// turns every control byte of the card into a blank, so they cannot occur inside a section).
enum class Section : char {
    CardWords = 1,     // full name and file name, searched by word start
    Phones = 2,        // both phones as written and as digits, searched anywhere
    PurchaseWords = 3, // date and goods
    ItemWords = 4,     // the item's name
    Serial = 5,        // searched anywhere
};

// What a query needs to know of a card besides its folded text.
struct CardShape {
    int head = 0; // bytes of the card's own sections, full name and phones, which open the text
    int rows = 0; // rows the card gives in the results
};

// Appends the folded text of the card `fileName` with the file bytes `card` to `out`. It reads
// the card by the card file's own line and number rules but never leaves its bytes: the index of
// a whole folder is built at close to the cost of reading it.
CardShape appendFoldedCard(QByteArray &out, const QString &fileName, QByteArrayView card);

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
        while (end < m_text.size() && static_cast<unsigned char>(m_text[end]) > char(Section::Serial))
            ++end;
        body = m_text.sliced(m_pos + 1, end - m_pos - 1);
        m_pos = end;
        return true;
    }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

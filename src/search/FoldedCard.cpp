#include "FoldedCard.h"

#include "CardFile.h"
#include "Cp1251.h"
#include "Folding.h"
#include "NumberForm.h"
#include "PurchaseDate.h"

#include <array>

namespace {

// A number line as the card reader reads it. The usual form (" 2 ", "-1 ") is read here; any other
// goes through the reader's own rules.
template <typename Parse> int numberLine(QByteArrayView line, Parse parse)
{
    qsizetype i = 0, end = line.size();
    while (i < end && line[i] == ' ')
        ++i;
    while (end > i && line[end - 1] == ' ')
        --end;
    const bool negative = i < end && line[i] == '-';
    if (negative)
        ++i;
    if (i == end || end - i > 9)
        return parse(cp1251::decode(line));
    int value = 0;
    for (; i < end; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return parse(cp1251::decode(line));
        value = value * 10 + (line[i] - '0');
    }
    return negative ? -value : value;
}

// The month names as a purchase date shows them, folded into words once.
const std::array<QByteArray, 12> &foldedMonths()
{
    static const std::array<QByteArray, 12> months = [] {
        std::array<QByteArray, 12> m;
        for (int i = 0; i < 12; ++i) {
            const QByteArray name = cp1251::encode(monthNames().at(i));
            for (const char c : name)
                m[size_t(i)].append(folding::wordTable()[static_cast<unsigned char>(c)]);
        }
        return m;
    }();
    return months;
}

// Writes the folded text at the end of a byte array, a field at a time: room is made once per
// field and the bytes go straight through the folding tables.
class FoldWriter {
public:
    explicit FoldWriter(QByteArray &out)
        : m_out(out), m_start(out.size()), m_used(out.size()), m_fold(folding::foldTable()),
          m_word(folding::wordTable())
    {
    }
    ~FoldWriter() { m_out.resize(m_used); }
    FoldWriter(const FoldWriter &) = delete;
    FoldWriter &operator=(const FoldWriter &) = delete;

    int written() const { return int(m_used - m_start); }
    void byte(char c)
    {
        *room(1) = c;
        ++m_used;
    }
    void section(Section kind) { byte(char(kind)); }
    void raw(QByteArrayView bytes)
    {
        std::copy(bytes.begin(), bytes.end(), room(bytes.size()));
        m_used += bytes.size();
    }
    // Through `table`, byte for byte.
    void mapped(QByteArrayView bytes, const char *table)
    {
        char *o = room(bytes.size());
        for (const char c : bytes)
            *o++ = table[static_cast<unsigned char>(c)];
        m_used += bytes.size();
    }
    void words(QByteArrayView bytes) { mapped(bytes, m_word); }
    void folded(QByteArrayView bytes) { mapped(bytes, m_fold); }
    void serial(QByteArrayView bytes)
    {
        char *const start = room(bytes.size());
        char *o = start;
        for (const char c : bytes) {
            const char f = m_fold[static_cast<unsigned char>(c)];
            if (!folding::isSerialMark(f))
                *o++ = f;
        }
        m_used += o - start;
    }
    void digits(QByteArrayView bytes)
    {
        char *const start = room(bytes.size());
        char *o = start;
        for (const char c : bytes)
            if (c >= '0' && c <= '9')
                *o++ = c;
        m_used += o - start;
    }

private:
    char *room(qsizetype n)
    {
        if (m_out.size() - m_used < n) {
            // Room for a whole usual card at once; the block grows by half its capacity.
            const qsizetype want = m_used + std::max<qsizetype>(n, 4096);
            if (want > m_out.capacity())
                m_out.reserve(std::max(want, m_out.capacity() + m_out.capacity() / 2));
            m_out.resize(want);
        }
        return m_out.data() + m_used;
    }

    QByteArray &m_out;
    const qsizetype m_start;
    qsizetype m_used;
    const char *m_fold;
    const char *m_word;
};

} // namespace

CardShape appendFoldedCard(QByteArray &out, const QString &fileName, QByteArrayView card)
{
    CardLineReader in(card);
    QByteArrayView header[8];
    for (QByteArrayView &line : header)
        line = in.readLineBytes();

    FoldWriter w(out);
    w.section(Section::CardWords);
    for (int i = 0; i < 3; ++i) {
        w.byte(' ');
        w.words(header[i]);
    }
    w.byte(' ');
    w.words(cp1251::encode(fileName));

    const QByteArrayView telDom = header[3], telRab = header[4];
    w.section(Section::Phones);
    w.folded(telDom);
    w.byte(' ');
    w.folded(telRab);
    w.byte(' ');
    w.digits(telDom);
    w.byte(' ');
    w.digits(telRab);

    CardShape shape;
    shape.head = w.written();
    while (!in.atEnd()) {
        const QByteArrayView day = in.readLineBytes();
        const int month = numberLine(in.readLineBytes(), numform::parseRoundedNumber);
        const QByteArrayView year = in.readLineBytes();
        const QByteArrayView tovar = in.readLineBytes();
        in.readLineBytes(); // the sum
        const int count = numberLine(in.readLineBytes(), numform::parseIntLine);

        // The date as the purchase panel shows it: day, month name, year, the empty ones left out.
        w.section(Section::PurchaseWords);
        w.byte(' ');
        bool first = true;
        const auto datePart = [&](QByteArrayView part, bool folded) {
            if (part.isEmpty())
                return;
            if (!first)
                w.byte(' ');
            first = false;
            if (folded)
                w.raw(part);
            else
                w.words(part);
        };
        datePart(day, false);
        if (month >= 0 && month < 12)
            datePart(foldedMonths()[size_t(month)], true);
        datePart(year, false);
        w.byte(' ');
        w.words(tovar);

        // Items come in pairs of lines, name and serial number; the count is not trusted.
        // A sold item is a row; so is a purchase without items.
        const int rowsBefore = shape.rows;
        for (int k = 0; k < count && !in.atEnd(); k += 2) {
            ++shape.rows;
            w.section(Section::ItemWords);
            w.byte(' ');
            w.words(in.readLineBytes());
            w.section(Section::Serial);
            if (k + 1 < count && !in.atEnd())
                w.serial(in.readLineBytes());
        }
        if (shape.rows == rowsBefore)
            ++shape.rows;
    }
    // A customer without purchases is one row.
    shape.rows = std::max(shape.rows, 1);
    return shape;
}

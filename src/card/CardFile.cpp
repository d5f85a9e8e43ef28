#include "CardFile.h"

#include "Cp1251.h"
#include "NumberForm.h"

QString CardLineReader::readLine()
{
    return cp1251::decode(readLineBytes());
}

QByteArrayView CardLineReader::readLineBytes()
{
    const qsizetype start = m_pos;
    qsizetype end = start;
    const char *data = m_bytes.data();
    const qsizetype size = m_bytes.size();
    while (end < size && data[end] != '\r' && data[end] != '\n')
        ++end;
    m_pos = end;
    if (m_pos < size) {
        if (data[m_pos] == '\r' && m_pos + 1 < size && data[m_pos + 1] == '\n')
            m_pos += 2;
        else
            m_pos += 1;
    }
    return m_bytes.sliced(start, end - start);
}

namespace cardfile {

namespace {

void appendLine(QByteArray &out, const QString &text)
{
    out += cp1251::encode(text);
    out += "\r\n";
}

} // namespace

Card parse(QByteArrayView bytes)
{
    CardLineReader in(bytes);
    Card card;
    CardHeader &h = card.header;
    h.familiya = in.readLine();
    h.imya = in.readLine();
    h.otchestvo = in.readLine();
    h.telDom = in.readLine();
    h.telRab = in.readLine();
    h.denRozhd = in.readLine();
    const bool monthPresent = !in.atEnd();
    h.mesacRozhd = monthPresent ? numform::parseIntLine(in.readLine()) : 0;
    h.godRozhd = in.readLine();

    while (!in.atEnd()) {
        TovarCls p;
        p.Day = in.readLine();
        p.Mesac = numform::parseRoundedNumber(in.readLine());
        p.God = in.readLine();
        p.Tovar = in.readLine();
        p.Summa = numform::normaliseSumma(in.readLine());
        const int n = numform::parseIntLine(in.readLine());
        // The count is not trusted: the items stop where the file ends.
        for (int k = 0; k < n && !in.atEnd(); ++k)
            p.NewIzdelie(in.readLine());
        card.pokupki.append(std::move(p));
    }
    return card;
}

QByteArray serializeHeader(const CardHeader &h)
{
    QByteArray out;
    appendLine(out, h.familiya);
    appendLine(out, h.imya);
    appendLine(out, h.otchestvo);
    appendLine(out, h.telDom);
    appendLine(out, h.telRab);
    appendLine(out, h.denRozhd);
    appendLine(out, numform::numLine(h.mesacRozhd));
    appendLine(out, h.godRozhd);
    return out;
}

QByteArray serializePurchase(const TovarCls &p)
{
    QByteArray out;
    appendLine(out, p.Day);
    appendLine(out, numform::numLine(p.Mesac));
    appendLine(out, p.God);
    appendLine(out, p.Tovar);
    appendLine(out, p.Summa);
    appendLine(out, numform::numLine(p.ListCount()));
    for (const QString &item : p.items())
        appendLine(out, item);
    return out;
}

QByteArray serialize(const Card &card)
{
    QByteArray out = serializeHeader(card.header);
    for (const TovarCls &p : card.pokupki)
        out += serializePurchase(p);
    return out;
}

QStringList firstLines(QByteArrayView bytes, int count)
{
    CardLineReader in(bytes);
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(in.readLine());
    return lines;
}

} // namespace cardfile

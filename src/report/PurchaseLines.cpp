#include "PurchaseLines.h"

#include "Cp1251.h"
#include "NumberForm.h"
#include "PurchaseDay.h"

namespace purchaselines {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

namespace {

// A line of blanks around plain digits, as the program writes its numbers, is read here without
// decoding it: 100,000 cards hold hundreds of thousands of dates. Any other line (a sign, a
// fraction, a letter) goes through the card's number rules. -1: not such a line.
int plainNumber(QByteArrayView line)
{
    qsizetype i = 0, end = line.size();
    while (i < end && line[i] == ' ')
        ++i;
    while (end > i && line[end - 1] == ' ')
        --end;
    if (end == i || end - i > 9)
        return -1;
    int value = 0;
    for (; i < end; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return -1;
        value = value * 10 + (line[i] - '0');
    }
    return value;
}

} // namespace

QDate date(const PurchaseLines &p)
{
    const int day = plainNumber(p.day);
    const int month = plainNumber(p.month);
    const int year = plainNumber(p.year);
    if (day >= 0 && month >= 0 && year >= 0)
        return month <= 11 ? QDate(year, month + 1, day) : QDate();
    TovarCls purchase;
    purchase.Day = cp1251::decode(p.day);
    purchase.Mesac = numform::parseRoundedNumber(cp1251::decode(p.month));
    purchase.God = cp1251::decode(p.year);
    return purchaseDay(purchase);
}

QDate date(const TovarCls &p)
{
    return purchaseDay(p);
}

std::optional<double> sum(QStringView line)
{
    // Where numform reads the number: blanks, a sign, digits, a mark and digits.
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    if (i < line.size() && (line[i] == QLatin1Char('-') || line[i] == QLatin1Char('+')))
        ++i;
    if (i < line.size() && (line[i] == QLatin1Char('.') || line[i] == QLatin1Char(',')))
        ++i;
    if (i >= line.size() || !isDigit(line[i]))
        return std::nullopt;
    QString text = numform::normaliseSumma(line);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

QStringList items(const PurchaseLines &p)
{
    QStringList out;
    CardLineReader in(p.items);
    for (int k = 0; k < p.itemLines; ++k)
        out.append(in.readLine());
    return out;
}

TovarCls toTovar(const PurchaseLines &p)
{
    TovarCls t;
    t.Day = cp1251::decode(p.day);
    t.Mesac = numform::parseRoundedNumber(cp1251::decode(p.month));
    t.God = cp1251::decode(p.year);
    t.Tovar = cp1251::decode(p.goods);
    t.Summa = numform::normaliseSumma(cp1251::decode(p.sum));
    for (const QString &item : items(p))
        t.NewIzdelie(item);
    return t;
}

QString fullName(const HeaderLines &h)
{
    QStringList parts;
    for (int i = 0; i < 3; ++i) {
        if (!h.line[i].isEmpty())
            parts.append(cp1251::decode(h.line[i]));
    }
    return parts.join(QLatin1Char(' '));
}

QString phones(const HeaderLines &h)
{
    QStringList parts;
    for (int i = 3; i < 5; ++i) {
        if (!h.line[i].isEmpty())
            parts.append(cp1251::decode(h.line[i]));
    }
    return parts.join(QStringLiteral(", "));
}

int itemCount(QByteArrayView line)
{
    return numform::parseIntLine(cp1251::decode(line));
}

} // namespace purchaselines

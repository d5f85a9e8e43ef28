#include "NumberForm.h"

#include <cmath>
#include <limits>

namespace numform {

QString numText(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

QString numLine(qint64 n)
{
    return numText(n) + QLatin1Char(' ');
}

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Sign, whole digits and fraction digits of the number at the start of a line.
struct NumberParts {
    bool negative = false;
    QString whole;
    QString fraction;
    QChar mark; // the decimal mark the text used, null when none
};

NumberParts readNumber(QStringView s, bool acceptComma)
{
    NumberParts p;
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        p.negative = s[i] == QLatin1Char('-');
        ++i;
    }
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
        p.whole.append(s[i++]);
    if (i < s.size() && (s[i] == QLatin1Char('.') || (acceptComma && s[i] == QLatin1Char(',')))) {
        p.mark = s[i++];
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128)
            p.fraction.append(s[i++]);
    }
    return p;
}

} // namespace

int parseIntLine(QStringView line)
{
    const NumberParts p = readNumber(line.trimmed(), false);
    bool ok = false;
    const qlonglong v = p.whole.toLongLong(&ok);
    if (!ok)
        return 0;
    const qlonglong signedV = p.negative ? -v : v;
    if (signedV > std::numeric_limits<int>::max() || signedV < std::numeric_limits<int>::min())
        return 0;
    return int(signedV);
}

int parseRoundedNumber(QStringView line)
{
    const NumberParts p = readNumber(line, false);
    const QString text = (p.whole.isEmpty() ? QStringLiteral("0") : p.whole) + QLatin1Char('.') +
                         (p.fraction.isEmpty() ? QStringLiteral("0") : p.fraction);
    double v = text.toDouble();
    v = std::nearbyint(v); // default rounding mode: half to even
    if (p.negative)
        v = -v;
    if (!(v < double(std::numeric_limits<int>::max())) || !(v > double(std::numeric_limits<int>::min())))
        return 0;
    return int(v);
}

QString normaliseSumma(QStringView line)
{
    NumberParts p = readNumber(line, true);
    qsizetype firstNonZero = 0;
    while (firstNonZero < p.whole.size() && p.whole[firstNonZero] == QLatin1Char('0'))
        ++firstNonZero;
    QString whole = p.whole.mid(firstNonZero);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    while (!p.fraction.isEmpty() && p.fraction.endsWith(QLatin1Char('0')))
        p.fraction.chop(1);
    QString out = whole;
    if (!p.fraction.isEmpty())
        out += p.mark + p.fraction;
    if (p.negative && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

} // namespace numform

#include "MoneyText.h"

#include <QLocale>

#include <cmath>

QString moneyText(double sum)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const double rounded = std::round(sum * 100) / 100;
    if (rounded == std::trunc(rounded) && std::abs(rounded) < 9e15)
        return russian.toString(qint64(rounded));
    return russian.toString(rounded, 'f', 2);
}

QString purchasesText(qint64 count)
{
    const qint64 tens = count % 100;
    const qint64 ones = count % 10;
    const char *word = "покупок";
    if (ones == 1 && tens != 11)
        word = "покупка";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "покупки";
    return QLocale(QLocale::Russian, QLocale::Russia).toString(count) + QLatin1Char(' ') +
           QString::fromUtf8(word);
}

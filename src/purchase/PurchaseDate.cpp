#include "PurchaseDate.h"

const QStringList &monthNames()
{
    static const QStringList names{
        QStringLiteral("Января"),  QStringLiteral("Февраля"), QStringLiteral("Марта"),
        QStringLiteral("Апреля"),  QStringLiteral("Мая"),     QStringLiteral("Июня"),
        QStringLiteral("Июля"),    QStringLiteral("Августа"), QStringLiteral("Сентября"),
        QStringLiteral("Октября"), QStringLiteral("Ноября"),  QStringLiteral("Декабря")};
    return names;
}

PanelDate panelDate(const QDate &date)
{
    return {QString::number(date.day()), date.month() - 1,
            QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'))};
}

QString spokenDate(const QString &day, int month, const QString &year)
{
    bool number = false;
    const int d = day.trimmed().toInt(&number);
    return purchaseDateText(number ? QString::number(d) : day, month, year).toLower();
}

QString spokenDate(const QDate &date)
{
    return spokenDate(QString::number(date.day()), date.month() - 1, QString::number(date.year()));
}

QString purchaseDateText(const QString &day, int month, const QString &year)
{
    QStringList parts{day, monthNames().value(month), year};
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

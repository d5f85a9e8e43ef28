#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The twelve genitive month names, index 0 = "Января".
const QStringList &monthNames();

// A date as the purchase panel shows it: the day without a leading zero, the month index and
// the four-digit year.
struct PanelDate {
    QString day;
    int month = 0;
    QString year;
};
PanelDate panelDate(const QDate &date);

// "12 Января 2005"; a month index outside 0-11 shows no month name.
QString purchaseDateText(const QString &day, int month, const QString &year);
// As the operator says it: "5 мая 2021", the day without a leading zero.
QString spokenDate(const QString &day, int month, const QString &year);
QString spokenDate(const QDate &date);

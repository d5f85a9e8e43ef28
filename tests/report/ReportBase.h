#pragma once

#include "TestFiles.h"
#include "WarrantyTerms.h"

#include <QDir>
#include <QString>
#include <QStringList>

// A small base whose figures are known: 29 February in a leap year and in another, sums and dates
// that cannot be read, a customer without purchases.
namespace reportbase {

// Header lines, then per purchase: day, month index, year, goods, sum, item count, items.
inline const QStringList kIvanov{
    "Иванов",     "Иван",       "Иванович",  "2123456", "",     "1",     " 0 ",     "1970",    "29",
    " 1 ",        "2024",       "Телевизор", "15000",   " 4 ",  "Пульт", "SN-Ж1",   "Антенна", "АБВ-002",
    "29",         " 1 ",        "2023",      "Утюг",    "500",  " 0 ",   "5",       " 2 ",     "2024",
    "телевизор ", "договорная", " 0 ",       "31",      " 11 ", "2024",  "Пылесос", "1200,50", " 0 ",
};
inline const QStringList kPetrova{"Петрова", "Анна", "", "", "", "2", " 3 ", "1980"};
inline const QStringList kSidorov{
    "Сидоров", "Пётр", "Петрович", "",    "3111111", "3",    " 4 ",     "1965",         "1",   " 0 ", "2024",
    "Утюг",    "-",    " 0 ",      "15",  " 5 ",     "2023", "Пылесос", "999",          " 0 ", "abc", " 3 ",
    "2024",    "=1+2", "10",       " 0 ", "1",       " 12 ", "2024",    "Фен; сушилка", "7.5", " 0 ",
};

inline bool write(const QString &baza)
{
    return QDir().mkpath(baza) && testfiles::writeAll(baza + "00000001.dat", testfiles::crlf(kIvanov)) &&
           testfiles::writeAll(baza + "00000002.dat", testfiles::crlf(kPetrova)) &&
           testfiles::writeAll(baza + "00000003.dat", testfiles::crlf(kSidorov));
}

inline WarrantyTerms terms()
{
    WarrantyTerms t;
    t.loadBytes(testfiles::crlf({"Телевизор\t12", "Пульт\t6"}));
    return t;
}

} // namespace reportbase

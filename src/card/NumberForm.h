#pragma once

#include <QString>
#include <QStringView>

namespace numform {

// A number as lists and counters show it: a blank in the sign place, then the digits (" 12", "-1").
QString numText(qint64 n);

// A number line of a card file: the list form followed by one trailing blank (" 2 ", "-1 ").
QString numLine(qint64 n);

// An integer line of a card file: blanks around it are skipped; anything unreadable gives 0.
int parseIntLine(QStringView line);

// The lenient text-to-number rule rounded to a whole number (half to even): leading blanks
// skipped, digits read up to the first character that cannot continue a number, nothing gives 0.
int parseRoundedNumber(QStringView line);

// A sum line as stored back after reading: the number's shortest text, "." or "," kept as the
// text had it ("0150" -> "150", "" -> "0", "12,50" -> "12,5", "12,5,0" -> "12,5").
QString normaliseSumma(QStringView line);

} // namespace numform

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Search works on Windows-1251 bytes, as the cards hold them: one byte a letter keeps the index
// small and lets a plain byte search find a word.
namespace folding {

// Lower case, «ё» as «е», control bytes as blanks.
QByteArray fold(QByteArrayView cp1251);
// The text of a query word folded the same way; empty when the word holds a character the
// cards cannot hold.
QByteArray foldQuery(const QString &word);
// Every byte that is not a letter or a digit becomes a blank, so that a blank marks where a
// word starts.
QByteArray wordify(QByteArrayView folded);
// A serial number without blanks and the marks "-", "/", ".".
QByteArray serialForm(QByteArrayView folded);
// Only the digits.
QByteArray digitsOf(QByteArrayView folded);

// The byte tables behind them, for folding card bytes in place: the folded byte, and the folded
// byte or a blank where it is no letter or digit.
const char *foldTable();
const char *wordTable();
inline bool isSerialMark(char folded)
{
    return folded == ' ' || folded == '-' || folded == '/' || folded == '.';
}

} // namespace folding

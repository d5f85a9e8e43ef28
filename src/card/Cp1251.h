#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1251, the code page of card files and of "Товары.txt". The byte tables are taken once
// from Qt's own "windows-1251" converter; lookups keep the folder scan fast.
namespace cp1251 {

QString decode(QByteArrayView bytes);
// Decodes into `out`, which has room for every byte; returns the end of what was written.
char16_t *decodeInto(char16_t *out, QByteArrayView bytes);
QByteArray encode(QStringView text); // characters outside the code page become '?'
bool canEncode(QChar c);
bool canEncode(QStringView text);

} // namespace cp1251

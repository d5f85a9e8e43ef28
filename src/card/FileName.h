#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// File names as the file system keeps them: bytes. A name written by Windows programs is often
// Windows-1251, not UTF-8; such a name must still be opened and rewritten by its exact bytes. So a
// name that is not valid UTF-8 is carried in a QString with each byte above 0x7F kept as the lone
// surrogate U+DC00 + byte, which no valid name contains, and turned back byte for byte on the way
// to the file system. Messages show it decoded as Windows-1251.
namespace filename {

// The name (or path) the program works with for the file system's bytes.
QString decode(QByteArrayView bytes);

// The file system's bytes for a name or path that decode() gave, or for any ordinary text.
QByteArray encode(const QString &name);

// The name as the operator should read it.
QString display(const QString &name);

} // namespace filename

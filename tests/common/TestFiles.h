#pragma once

#include "Cp1251.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Small file helpers shared by the tests.
namespace testfiles {

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Lines joined with CR LF (each line ended), encoded in Windows-1251.
inline QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += cp1251::encode(l) + "\r\n";
    return out;
}

} // namespace testfiles

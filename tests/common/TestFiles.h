#pragma once

#include "Cp1251.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
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

// Every file under `root` (hidden ones included; lock files and .zip archives left out) by its
// UTF-8 path below `root`.
inline QMap<QByteArray, QByteArray> tree(const QString &root)
{
    QMap<QByteArray, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!file.endsWith(QStringLiteral(".lock")) && !file.endsWith(QStringLiteral(".zip")))
            files.insert(QDir(root).relativeFilePath(file).toUtf8(), readAll(file));
    }
    return files;
}

} // namespace testfiles

#pragma once

#include "CardFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

// Cards, purchases and folder snapshots shared by the reliability tests.
namespace reliability {

inline TovarCls purchase(int number, int items)
{
    TovarCls p;
    p.Day = QString::number(1 + number % 28);
    p.Mesac = number % 12;
    p.God = QString::number(2000 + number % 25);
    p.Tovar = QStringLiteral("Телевизор №%1").arg(number);
    p.Summa = QString::number(100 + number);
    for (int k = 0; k < items; ++k) {
        p.NewIzdelie(QStringLiteral("Пульт %1.%2").arg(number).arg(k));
        p.NewIzdelie(QStringLiteral("SN-%1-%2").arg(number).arg(k));
    }
    return p;
}

inline Card card(const QString &familiya, int purchases, int itemsEach)
{
    Card c;
    c.header = {familiya,
                QStringLiteral("Иван"),
                QStringLiteral("Иванович"),
                QStringLiteral("123-45-67"),
                QStringLiteral("7-65"),
                QStringLiteral("5"),
                2,
                QStringLiteral("1970")};
    for (int i = 0; i < purchases; ++i)
        c.pokupki.append(purchase(i, itemsEach));
    return c;
}

// Every entry of a folder (hidden ones, links and subfolders included) with the bytes of the
// ordinary files; a link is recorded as its target text, a folder as "<folder>". Lock files (hidden,
// "*.lock"), which writes make, hold no data and are left out.
using Snapshot = QMap<QString, QByteArray>;

inline Snapshot snapshot(const QString &folder)
{
    Snapshot out;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (name.startsWith(QLatin1Char('.')) && name.endsWith(QStringLiteral(".lock")))
            continue;
        const QString path = dir.filePath(name);
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            out.insert(name, "<gone>");
        } else if (S_ISLNK(st.st_mode)) {
            out.insert(name, "<link> " + QFile::encodeName(QFile::symLinkTarget(path)));
        } else if (S_ISDIR(st.st_mode)) {
            out.insert(name, "<folder>");
        } else if (S_ISREG(st.st_mode)) {
            QFile f(path);
            out.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        } else {
            out.insert(name, "<special>");
        }
    }
    return out;
}

// The first difference between two snapshots, empty when they are equal.
inline QString difference(const Snapshot &before, const Snapshot &after)
{
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            return QStringLiteral("%1 has gone").arg(it.key());
        if (after.value(it.key()) != it.value())
            return QStringLiteral("%1 changed: %2 bytes before, %3 bytes after")
                .arg(it.key())
                .arg(it.value().size())
                .arg(after.value(it.key()).size());
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (!before.contains(it.key()))
            return QStringLiteral("%1 appeared").arg(it.key());
    return {};
}

} // namespace reliability

#include "GoodsCatalogue.h"

#include "CardFile.h"
#include "Collation.h"
#include "Cp1251.h"
#include "SafeFile.h"

#include <QFile>

#include <algorithm>

GoodsCatalogue::GoodsCatalogue() : m_collator(russianCollator()) {}

void GoodsCatalogue::load(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) // a folder of that name does not open either
        load(file);
}

void GoodsCatalogue::load(QIODevice &file)
{
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            const qsizetype lineEnd = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
            bytes.truncate(lineEnd + 1);
            break;
        }
        if (n == 0)
            break;
        bytes.append(chunk, qsizetype(n));
    }
    loadBytes(bytes);
}

void GoodsCatalogue::loadBytes(const QByteArray &bytes)
{
    CardLineReader in(bytes);
    while (!in.atEnd())
        m_names.append(in.readLine());
    std::stable_sort(m_names.begin(), m_names.end(),
                     [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
}

bool GoodsCatalogue::containsIgnoringCase(const QString &name) const
{
    const QString lower = name.toLower();
    return std::any_of(m_names.cbegin(), m_names.cend(),
                       [&lower](const QString &entry) { return entry.toLower() == lower; });
}

int GoodsCatalogue::add(const QString &name)
{
    const auto at =
        std::upper_bound(m_names.begin(), m_names.end(), name,
                         [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
    const int index = int(at - m_names.begin());
    m_names.insert(index, name);
    return index;
}

QByteArray GoodsCatalogue::serialize() const
{
    QByteArray out;
    for (const QString &name : m_names) {
        out += cp1251::encode(name);
        out += "\r\n";
    }
    return out;
}

FileError GoodsCatalogue::save(const QString &path) const
{
    return safefile::replaceFile(path, serialize());
}

#include "WarrantyTerms.h"

#include "CardFile.h"
#include "CardHistory.h"
#include "Collation.h"
#include "Cp1251.h"
#include "SafeFile.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

QString WarrantyTerms::pathBeside(const QString &goodsPath)
{
    return QFileInfo(goodsPath).path() + QLatin1Char('/') + QString::fromUtf8(kWarrantyFileName);
}

FileError WarrantyTerms::load(const QString &path)
{
    m_terms.clear();
    QByteArray bytes;
    const FileError error = safefile::readFile(path, bytes, kMaxFileBytes + 1);
    if (error == FileError::NotFound)
        return FileError::None;
    if (error != FileError::None)
        return error;
    if (bytes.size() > kMaxFileBytes)
        return FileError::Other;
    loadBytes(bytes);
    return FileError::None;
}

void WarrantyTerms::loadBytes(const QByteArray &bytes)
{
    m_terms.clear();
    CardLineReader in(bytes);
    while (!in.atEnd()) {
        if (const std::optional<Term> term = parseLine(in.readLineBytes()))
            m_terms.insert(keyOf(term->name), *term); // a later line of the same name wins
    }
}

int WarrantyTerms::months(const QString &goods) const
{
    return m_terms.value(keyOf(goods)).months;
}

void WarrantyTerms::setMonths(const QString &goods, int months)
{
    const QString key = keyOf(goods);
    if (key.isEmpty() || goods.contains(QLatin1Char('\t')) || goods.contains(QLatin1Char('\n')) ||
        goods.contains(QLatin1Char('\r')))
        return;
    months = std::clamp(months, 0, kMaxMonths);
    std::optional<Term> change;
    if (months > 0)
        change = Term{goods.trimmed(), months};
    if (change)
        m_terms.insert(key, *change);
    else
        m_terms.remove(key);
    if (!m_changes.contains(key))
        m_changeOrder.append(key);
    m_changes.insert(key, change);
}

QList<WarrantyTerms::Term> WarrantyTerms::terms() const
{
    QList<Term> list(m_terms.cbegin(), m_terms.cend());
    const QCollator collator = russianCollator();
    std::sort(list.begin(), list.end(), [&collator](const Term &a, const Term &b) {
        const int c = collator.compare(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return list;
}

QDate WarrantyTerms::warrantyEnd(const QDate &purchase, const QString &goods) const
{
    return warrantyEnd(purchase, months(goods));
}

QDate WarrantyTerms::warrantyEnd(const QDate &purchase, const QString &goods, const QString &item) const
{
    const QDate own = item.isEmpty() ? QDate() : warrantyEnd(purchase, item);
    return own.isValid() ? own : warrantyEnd(purchase, goods);
}

QDate WarrantyTerms::warrantyEnd(const QDate &purchase, int months)
{
    if (!purchase.isValid() || months <= 0)
        return {};
    // A term in months ends on the same day of its last month, or on that month's last day when it
    // has no such day (29 February and a year: 28 February), as the civil code counts it.
    return purchase.addMonths(months);
}

QByteArray WarrantyTerms::serialize() const
{
    QByteArray out;
    for (const Term &term : terms())
        out += lineOf(term);
    return out;
}

QByteArray WarrantyTerms::mergedInto(const QByteArray &fileBytes) const
{
    QByteArray out;
    QSet<QString> written;
    CardLineReader in(fileBytes);
    while (!in.atEnd()) {
        const QByteArrayView line = in.readLineBytes();
        const std::optional<Term> term = parseLine(line);
        const QString key = term ? keyOf(term->name) : QString();
        const auto change = term ? m_changes.constFind(key) : m_changes.cend();
        if (change == m_changes.cend()) {
            out += line;
            out += "\r\n";
        } else if (*change && !written.contains(key)) {
            out += lineOf(**change);
            written.insert(key);
        }
    }
    for (const QString &key : m_changeOrder) {
        const std::optional<Term> &change = m_changes[key];
        if (change && !written.contains(key))
            out += lineOf(*change);
    }
    return out;
}

FileError WarrantyTerms::save(const QString &path, const std::function<FileError(const QByteArray &)> &keep)
{
    QByteArray merged;
    const FileError error = safefile::rewriteLocked(path, [&](const QByteArray *current) {
        if (current && current->size() > kMaxFileBytes)
            return safefile::Rewrite::refusing(FileError::Other);
        const QByteArray onDisk = current ? *current : QByteArray();
        merged = mergedInto(onDisk);
        if (current && merged == onDisk)
            return safefile::Rewrite::refusing(FileError::None);
        safefile::Rewrite rewrite = safefile::Rewrite::writing(merged);
        if (keep && !onDisk.isEmpty())
            rewrite.beforeRename = [keep, onDisk] { return keep(onDisk); };
        return rewrite;
    });
    if (error == FileError::None) {
        loadBytes(merged);
        m_changes.clear();
        m_changeOrder.clear();
    }
    return error;
}

std::function<FileError(const QByteArray &)> WarrantyTerms::keepInHistory(const QString &bazaPath)
{
    return [bazaPath](const QByteArray &replaced) {
        return CardHistory(bazaPath).keep(QString::fromUtf8(kWarrantyFileName), replaced, 0);
    };
}

QString WarrantyTerms::keyOf(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

std::optional<WarrantyTerms::Term> WarrantyTerms::parseLine(QByteArrayView line)
{
    const qsizetype tab = line.lastIndexOf('\t');
    if (tab <= 0)
        return std::nullopt;
    bool ok = false;
    const int months = line.sliced(tab + 1).trimmed().toInt(&ok);
    const QString name = cp1251::decode(line.first(tab)).trimmed();
    if (!ok || months <= 0 || months > kMaxMonths || name.isEmpty())
        return std::nullopt;
    return Term{name, months};
}

QByteArray WarrantyTerms::lineOf(const Term &term)
{
    return cp1251::encode(term.name) + '\t' + QByteArray::number(term.months) + "\r\n";
}

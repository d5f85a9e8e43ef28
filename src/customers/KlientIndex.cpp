#include "KlientIndex.h"

#include <QHashFunctions>

KlientRec makeKlientRec(const QString &fileName, const QString &familiya, const QString &imya,
                        const QString &otchestvo, const QString &telephon1, const QString &telephon2)
{
    KlientRec rec;
    rec.Familiya = familiya;
    rec.FIO = familiya + QLatin1Char(' ') + imya + QLatin1Char(' ') + otchestvo;
    rec.FileName = fileName;
    rec.Telephon1 = telephon1;
    rec.Telephon2 = telephon2;
    rec.FamiliyaUpper = familiya.toUpper();
    return rec;
}

std::uint32_t KlientIndex::lookupKey(const QString &upper, const QString &telephon1, const QString &telephon2)
{
    size_t h = qHash(upper);
    h = qHashMulti(h, telephon1, telephon2);
    return std::uint32_t(h ^ (std::uint64_t(h) >> 32));
}

int KlientIndex::append(KlientRec rec)
{
    const int position = int(m_recs.size());
    if (!m_lookup.empty())
        m_lookup.push_back(lookupKey(rec.FamiliyaUpper, rec.Telephon1, rec.Telephon2));
    if (!m_byFile.isEmpty() && !m_byFile.contains(rec.FileName))
        m_byFile.insert(rec.FileName, position);
    m_recs.append(std::move(rec));
    return position;
}

void KlientIndex::setEntry(int position, KlientRec rec)
{
    if (!m_lookup.empty())
        m_lookup[size_t(position)] = lookupKey(rec.FamiliyaUpper, rec.Telephon1, rec.Telephon2);
    const QString &old = m_recs[position].FileName;
    if (!m_byFile.isEmpty() && old != rec.FileName) {
        if (m_byFile.value(old, -1) == position)
            m_byFile.remove(old);
        if (!m_byFile.contains(rec.FileName))
            m_byFile.insert(rec.FileName, position);
    }
    m_recs[position] = std::move(rec);
}

int KlientIndex::applyCardChange(const QString &fileName, KlientRec rec)
{
    const int position = findFile(fileName);
    if (position < 0)
        return append(std::move(rec));
    setEntry(position, std::move(rec));
    return position;
}

int KlientIndex::markRemoved(const QString &fileName)
{
    const int position = findFile(fileName);
    if (position >= 0) {
        KlientRec removed;
        removed.FileName = fileName;
        setEntry(position, std::move(removed));
    }
    return position;
}

int KlientIndex::findFile(const QString &fileName) const
{
    if (m_byFile.isEmpty()) {
        m_byFile.reserve(m_recs.size());
        // From the last entry back, so that the first of equal names wins.
        for (int i = KlientCount() - 1; i >= 0; --i)
            m_byFile.insert(m_recs[i].FileName, i);
    }
    return m_byFile.value(fileName, -1);
}

int KlientIndex::findCustomer(const QString &surname, const QString &telephon1,
                              const QString &telephon2) const
{
    const QString upper = surname.toUpper();
    if (m_lookup.size() != size_t(m_recs.size())) {
        m_lookup.clear();
        m_lookup.reserve(size_t(m_recs.size()));
        for (const KlientRec &r : m_recs)
            m_lookup.push_back(lookupKey(r.FamiliyaUpper, r.Telephon1, r.Telephon2));
    }
    const std::uint32_t key = lookupKey(upper, telephon1, telephon2);
    const std::uint32_t *keys = m_lookup.data();
    const int n = KlientCount();
    for (int i = 0; i < n; ++i) {
        if (keys[i] != key)
            continue;
        const KlientRec &r = m_recs[i];
        if (r.FamiliyaUpper == upper && r.Telephon1 == telephon1 && r.Telephon2 == telephon2 &&
            !r.isRemoved())
            return i;
    }
    return -1;
}

namespace {

QString withoutYo(QString upper)
{
    return upper.replace(QChar(0x0401), QChar(0x0415)); // Ё as Е
}

} // namespace

int KlientIndex::findNearCustomer(const QString &surname, const QString &telephon1, const QString &telephon2,
                                  int except) const
{
    const QString folded = withoutYo(surname.toUpper());
    for (int i = 0; i < KlientCount(); ++i) {
        const KlientRec &r = m_recs[i];
        if (i != except && r.Telephon1 == telephon1 && r.Telephon2 == telephon2 && !r.isRemoved() &&
            withoutYo(r.FamiliyaUpper) == folded)
            return i;
    }
    return -1;
}

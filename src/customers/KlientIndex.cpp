#include "KlientIndex.h"

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

int KlientIndex::append(KlientRec rec)
{
    m_recs.append(std::move(rec));
    return int(m_recs.size()) - 1;
}

int KlientIndex::findFile(const QString &fileName) const
{
    for (int i = 0; i < KlientCount(); ++i)
        if (m_recs[i].FileName == fileName)
            return i;
    return -1;
}

int KlientIndex::findCustomer(const QString &surname, const QString &telephon1, const QString &telephon2) const
{
    const QString upper = surname.toUpper();
    for (int i = 0; i < KlientCount(); ++i) {
        const KlientRec &r = m_recs[i];
        if (r.FamiliyaUpper == upper && r.Telephon1 == telephon1 && r.Telephon2 == telephon2)
            return i;
    }
    return -1;
}

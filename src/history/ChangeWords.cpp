#include "ChangeWords.h"

namespace {

void headerWords(const CardHeader &a, const CardHeader &b, QStringList &words)
{
    if (a.familiya != b.familiya)
        words << QStringLiteral("изменена фамилия");
    if (a.imya != b.imya)
        words << QStringLiteral("изменено имя");
    if (a.otchestvo != b.otchestvo)
        words << QStringLiteral("изменено отчество");
    if (a.denRozhd != b.denRozhd || a.mesacRozhd != b.mesacRozhd || a.godRozhd != b.godRozhd)
        words << QStringLiteral("изменена дата рождения");
    if (a.telDom != b.telDom || a.telRab != b.telRab)
        words << QStringLiteral("изменён телефон");
}

QString numbered(int row, const TovarCls &p)
{
    return QString::number(row + 1) + QLatin1Char(' ') + p.Tovar;
}

// One purchase corrected in place.
void correctionWords(int row, const TovarCls &a, const TovarCls &b, QStringList &words)
{
    const QString n = QString::number(row + 1);
    if (a.Tovar != b.Tovar)
        words << QStringLiteral("изменён товар покупки %1: %2 → %3").arg(n, a.Tovar, b.Tovar);
    if (a.Summa != b.Summa)
        words << QStringLiteral("изменена сумма покупки %1: %2 → %3").arg(n, a.Summa, b.Summa);
    if (a.Day != b.Day || a.Mesac != b.Mesac || a.God != b.God)
        words << QStringLiteral("изменена дата покупки %1").arg(n);
    if (a.items() != b.items())
        words << QStringLiteral("изменены изделия покупки %1").arg(n);
}

} // namespace

QStringList changeWords(const Card &before, const Card &after)
{
    QStringList words;
    headerWords(before.header, after.header, words);
    const QList<TovarCls> &a = before.pokupki;
    const QList<TovarCls> &b = after.pokupki;
    if (a.size() == b.size()) {
        for (int i = 0; i < a.size(); ++i)
            if (!(a[i] == b[i]))
                correctionWords(i, a[i], b[i], words);
    } else {
        // Purchases kept in order; the others were deleted (from `before`) or added (to `after`).
        qsizetype j = 0;
        for (int i = 0; i < a.size(); ++i) {
            const qsizetype found = b.indexOf(a[i], j);
            if (found < 0) {
                words << QStringLiteral("удалена покупка ") + numbered(i, a[i]);
                continue;
            }
            for (; j < found; ++j)
                words << QStringLiteral("добавлена покупка ") + numbered(int(j), b[j]);
            ++j;
        }
        for (; j < b.size(); ++j)
            words << QStringLiteral("добавлена покупка ") + numbered(int(j), b[j]);
    }
    if (words.isEmpty())
        words << QStringLiteral("без изменений");
    return words;
}

QString versionTime(const CardVersion &version)
{
    return version.replaced.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString versionLine(const CardVersion &version, const QByteArray &next)
{
    const Card before = cardfile::parse(version.bytes);
    // Sales appended after the write are not the write's doing.
    Card after = cardfile::parse(next);
    if (after.pokupki.size() > version.purchasesAfter)
        after.pokupki.resize(version.purchasesAfter);
    return versionTime(version) + QStringLiteral(" — ") +
           changeWords(before, after).join(QStringLiteral(", "));
}

#include "ReceiptText.h"

#include "FileName.h"

#include <QStringList>

namespace receipt {

namespace {

// "22.02.2022"; what does not read as a date is shown as typed.
QString shortDate(const TovarCls &p)
{
    const QString day = p.Day.size() == 1 ? QLatin1Char('0') + p.Day : p.Day;
    const QString month = p.Mesac >= 0 && p.Mesac < 12
                              ? QStringLiteral("%1").arg(p.Mesac + 1, 2, 10, QLatin1Char('0'))
                              : QStringLiteral("??");
    return day + QLatin1Char('.') + month + QLatin1Char('.') + p.God;
}

} // namespace

QString recorded(const QString &fio, const QString &fileName, const TovarCls &sale)
{
    return QStringLiteral("Покупка записана: %1, %2 — %3, %4")
        .arg(fio.simplified(), filename::display(fileName), sale.Tovar, sale.Summa);
}

QString cardSaved(const QString &fileName, bool saleWaiting)
{
    QString text = QStringLiteral("Карточка сохранена: ") + filename::display(fileName);
    if (saleWaiting)
        text += QStringLiteral(" — покупка ещё не записана: OK или Ctrl+Enter");
    return text;
}

QString corrected(int number)
{
    return QStringLiteral("Покупка %1 исправлена").arg(number);
}

QString deleted(int number)
{
    return QStringLiteral("Покупка %1 удалена (Ctrl+Z — вернуть)").arg(number);
}

QString shown(int number, const TovarCls &purchase)
{
    return QStringLiteral("Показана покупка %1 от %2 — OK исправит её. Новая покупка: Ctrl+Shift+N")
        .arg(number)
        .arg(shortDate(purchase));
}

QString undone()
{
    return QStringLiteral("Последнее удаление или исправление отменено");
}

QString otherTill(int added, int changed, int removed)
{
    QStringList parts;
    if (added > 0)
        parts << QStringLiteral("новых карточек %1").arg(added);
    if (changed > 0)
        parts << QStringLiteral("изменено %1").arg(changed);
    if (removed > 0)
        parts << QStringLiteral("удалено %1").arg(removed);
    return parts.isEmpty() ? QString()
                           : QStringLiteral("На другой кассе: ") + parts.join(QStringLiteral(", "));
}

} // namespace receipt

#include "ExportRows.h"

#include "Cp1251.h"
#include "FileName.h"
#include "NumberForm.h"
#include "PurchaseDate.h"
#include "PurchaseLines.h"
#include "WarrantyTerms.h"

namespace exportrows {

const QStringList &captions()
{
    static const QStringList list{
        QStringLiteral("Покупатель"),   QStringLiteral("Телефоны"),       QStringLiteral("Файл"),
        QStringLiteral("Дата покупки"), QStringLiteral("Товар"),          QStringLiteral("Сумма"),
        QStringLiteral("Изделие"),      QStringLiteral("Серийный номер"), QStringLiteral("Гарантия до"),
    };
    return list;
}

bool wanted(QByteArrayView card, const ExportScope &scope, qint64 *unreadableDates)
{
    bool any = false;
    purchaselines::read(card, nullptr, [&](const PurchaseLines &p) {
        if (scope.allTime()) {
            any = true;
            return false;
        }
        const QDate date = purchaselines::date(p);
        if (!date.isValid() && unreadableDates)
            ++*unreadableDates;
        any = any || scope.holds(date);
        return true;
    });
    return any;
}

QList<ExportRow> rows(const QString &fileName, QByteArrayView card, const ExportScope &scope,
                      const WarrantyTerms &terms)
{
    QList<ExportRow> out;
    HeaderLines header;
    purchaselines::read(card, &header, [&](const PurchaseLines &lines) {
        const TovarCls p = purchaselines::toTovar(lines);
        ExportRow row;
        row.date = purchaselines::date(p);
        if (!scope.holds(row.date))
            return true;
        row.customer = purchaselines::fullName(header);
        row.phones = purchaselines::phones(header);
        row.file = filename::display(fileName);
        if (!row.date.isValid())
            row.dateText = purchaseDateText(p.Day, p.Mesac, p.God);
        row.goods = p.Tovar;
        const QString sumLine = cp1251::decode(lines.sum);
        row.sum = purchaselines::sum(sumLine);
        row.sumText =
            row.sum ? QString(p.Summa).replace(QLatin1Char('.'), QLatin1Char(',')) : sumLine.trimmed();
        if (p.ListCount() == 0) {
            row.warrantyEnd = terms.warrantyEnd(row.date, p.Tovar);
            out.append(row);
        }
        for (int k = 0; k < p.ListCount(); k += 2) {
            row.item = p.List(k);
            row.serial = p.List(k + 1);
            row.warrantyEnd = terms.warrantyEnd(row.date, p.Tovar, row.item);
            out.append(row);
        }
        return true;
    });
    return out;
}

} // namespace exportrows

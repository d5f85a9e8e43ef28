#pragma once

#include "CardFile.h"
#include "Cp1251.h"
#include "Folding.h"
#include "PurchaseDate.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

// What the search index must hold for a card, worked out the slow way from the card as the card
// reader reads it: the tests and the fuzzer hold the index's own reading of the bytes against it.
namespace readcard {

// The folded text: the card's own sections, then each purchase's and each item's.
inline QByteArray folded(const QString &fileName, const QByteArray &bytes)
{
    const auto fold = [](const QString &text) { return folding::fold(cp1251::encode(text)); };
    const auto words = [&](const QString &text) { return folding::wordify(fold(text)); };
    const Card card = cardfile::parse(bytes);
    const CardHeader &h = card.header;
    QByteArray out = "\x01 " + words(h.familiya + ' ' + h.imya + ' ' + h.otchestvo) + ' ' + words(fileName);
    out += "\x02" + fold(h.telDom) + ' ' + fold(h.telRab) + ' ' + folding::digitsOf(fold(h.telDom)) + ' ' +
           folding::digitsOf(fold(h.telRab));
    for (const TovarCls &p : card.pokupki) {
        out += "\x03 " + words(purchaseDateText(p.Day, p.Mesac, p.God)) + ' ' + words(p.Tovar);
        for (int k = 0; 2 * k < p.ListCount(); ++k)
            out += "\x04 " + words(p.List(2 * k)) + '\x05' + folding::serialForm(fold(p.List(2 * k + 1)));
    }
    return out;
}

// The rows the card gives in the results.
inline int rows(const QByteArray &bytes)
{
    const Card card = cardfile::parse(bytes);
    int rows = 0;
    for (const TovarCls &p : card.pokupki)
        rows += std::max(1, (p.ListCount() + 1) / 2);
    return std::max(rows, 1);
}

} // namespace readcard

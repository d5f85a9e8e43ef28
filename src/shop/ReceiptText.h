#pragma once

#include "TovarCls.h"

#include <QString>

// What the receipt line above the card and the panel says after each write, so that the operator
// sees which card received what, and what the panel is about to do.
namespace receipt {

// «Покупка записана: Петров Пётр Петрович, 00000002.dat — Телевизор, 30000»
QString recorded(const QString &fio, const QString &fileName, const TovarCls &sale);
// «Карточка сохранена: 00000007.dat», and when the sale that led to the new card is still only in
// the panel, that it is not recorded yet.
QString cardSaved(const QString &fileName, bool saleWaiting);
// `number` counts from 1, as the purchase list does.
QString corrected(int number);
QString deleted(int number);
// A recorded purchase shown in the panel: OK would correct it.
QString shown(int number, const TovarCls &purchase);
QString undone();
// Cards another till added, changed or removed; empty when there were none.
QString otherTill(int added, int changed, int removed);

} // namespace receipt

#pragma once

#include "CardFile.h"
#include "CardHistory.h"

#include <QStringList>

// What changed from one content of a card to the next, in the operator's words: «изменён
// телефон», «удалена покупка 3 Фен», «изменена сумма покупки 2: 900 → 9000». Purchases are
// numbered as the purchase list numbers them; «без изменений» when nothing did.
QStringList changeWords(const Card &before, const Card &after);

// When the version was replaced, in local time as the versions list shows it.
QString versionTime(const CardVersion &version);

// A line of the versions list: when the version was replaced (local time) and what that write
// changed, `next` being the content that followed it (a later version or the card now).
QString versionLine(const CardVersion &version, const QByteArray &next);

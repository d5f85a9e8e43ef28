#pragma once

#include <QString>

// The lines of the purchase list and the item list; n counts from 1.
namespace lineforms {

// " 3 Телевизор"
QString pokupkaLine(int n, const QString &tovar);
// " 2 Пульт №ABC123"
QString izdelieLine(int n, const QString &name, const QString &serial);

} // namespace lineforms

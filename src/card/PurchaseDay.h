#pragma once

#include <QDate>

class TovarCls;

// The day a purchase was made, read from its day, month index and year by the card's number
// rules; null when they name no day (a 30 February, a month index out of range, a letter).
QDate purchaseDay(const TovarCls &purchase);

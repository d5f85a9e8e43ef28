#pragma once

#include <QString>

// A sum as the owner reads it: "1 234 567" for whole roubles, "1 234,50" with kopecks.
QString moneyText(double sum);

// "1 покупка", "3 покупки", "12 покупок".
QString purchasesText(qint64 count);

#include "PurchaseDay.h"

#include "NumberForm.h"
#include "TovarCls.h"

QDate purchaseDay(const TovarCls &purchase)
{
    if (purchase.Mesac < 0 || purchase.Mesac > 11)
        return {};
    return QDate(numform::parseIntLine(purchase.God), purchase.Mesac + 1,
                 numform::parseIntLine(purchase.Day));
}

#include "FioOrder.h"

#include "Collation.h"
#include "NumberForm.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>

QList<int> fioOrder(const KlientIndex &index)
{
    const int n = index.KlientCount();
    const QCollator collator = russianCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(n));
    for (int p = 0; p < n; ++p)
        keys.push_back(collator.sortKey(index.at(p).FIO + QLatin1Char('|') + numform::numText(p)));
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    return order;
}

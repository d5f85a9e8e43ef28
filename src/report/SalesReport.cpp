#include "SalesReport.h"

#include "Collation.h"
#include "Cp1251.h"
#include "PurchaseLines.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// What one run of cards found; the runs are added up at the end, in run order, so that the report
// does not depend on which run finished first.
struct Tally {
    qint64 cards = 0;
    qint64 sales = 0;
    qint64 unreadableSums = 0;
    qint64 unreadableDates = 0;
    double total = 0;
    std::vector<SalesReport::Point> series;
    QHash<QString, SalesReport::GoodsRow> goods; // by the name folded
    QList<QString> goodsOrder;                   // keys, first met first
};

QString goodsKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

class SalesCounter {
public:
    SalesCounter(const QDate &from, const QDate &to, SalesReport::Step step)
        : m_from(from), m_to(to), m_step(step)
    {
        if (step == SalesReport::Step::Day) {
            for (QDate d = from; d <= to; d = d.addDays(1))
                m_empty.push_back({d, 0, 0});
            return;
        }
        const QDate first(from.year(), from.month(), 1);
        for (QDate d = first; d <= to; d = d.addMonths(1))
            m_empty.push_back({std::max(d, from), 0, 0});
    }

    const std::vector<SalesReport::Point> &emptySeries() const { return m_empty; }

    void count(Tally &t, QByteArrayView card) const
    {
        ++t.cards;
        purchaselines::read(card, nullptr, [&](const PurchaseLines &p) {
            const QDate date = purchaselines::date(p);
            if (!date.isValid()) {
                ++t.unreadableDates;
                return true;
            }
            if (date < m_from || date > m_to)
                return true;
            ++t.sales;
            const std::optional<double> sum = purchaselines::sum(cp1251::decode(p.sum));
            if (sum)
                t.total += *sum;
            else
                ++t.unreadableSums;
            if (t.series.empty())
                t.series = m_empty;
            SalesReport::Point &point = t.series[size_t(pointIndex(date))];
            ++point.sales;
            point.sum += sum.value_or(0);

            const QString name = cp1251::decode(p.goods);
            const QString key = goodsKey(name);
            auto it = t.goods.find(key);
            if (it == t.goods.end()) {
                it = t.goods.insert(key, {name.trimmed(), 0, 0});
                t.goodsOrder.append(key);
            }
            ++it->sales;
            it->sum += sum.value_or(0);
            return true;
        });
    }

private:
    qint64 pointIndex(const QDate &date) const
    {
        if (m_step == SalesReport::Step::Day)
            return m_from.daysTo(date);
        return qint64(date.year() - m_from.year()) * 12 + date.month() - m_from.month();
    }

    QDate m_from;
    QDate m_to;
    SalesReport::Step m_step;
    std::vector<SalesReport::Point> m_empty;
};

} // namespace

SalesReport::Step SalesReport::stepFor(const QDate &from, const QDate &to)
{
    return from.daysTo(to) + 1 <= kMaxDaysByDay ? Step::Day : Step::Month;
}

double SalesReport::average() const
{
    const qint64 read = sales - unreadableSums;
    return read > 0 ? total / double(read) : 0;
}

SalesReport SalesReport::build(const QString &bazaPath, const QDate &from, const QDate &to,
                               const ReportProgress &progress)
{
    SalesReport report;
    report.from = from;
    report.to = to;
    report.step = stepFor(from, to);
    if (!from.isValid() || !to.isValid() || from > to)
        return report;
    const SalesCounter counter(from, to, report.step);
    std::vector<Tally> tallies(CardPass::kMaxParts);
    const CardPass pass = CardPass::run(
        bazaPath,
        [&](int part, const QString &, QByteArrayView bytes) { counter.count(tallies[size_t(part)], bytes); },
        progress);
    report.error = pass.error;
    report.cancelled = pass.cancelled;
    report.unreadCards = pass.unread;

    report.series = QList<Point>(counter.emptySeries().begin(), counter.emptySeries().end());
    QHash<QString, qsizetype> goodsAt;
    for (const Tally &t : tallies) {
        report.cards += t.cards;
        report.sales += t.sales;
        report.unreadableSums += t.unreadableSums;
        report.unreadableDates += t.unreadableDates;
        report.total += t.total;
        for (size_t i = 0; i < t.series.size(); ++i) {
            report.series[qsizetype(i)].sales += t.series[i].sales;
            report.series[qsizetype(i)].sum += t.series[i].sum;
        }
        for (const QString &key : t.goodsOrder) {
            const GoodsRow &row = t.goods[key];
            const auto at = goodsAt.constFind(key);
            if (at == goodsAt.cend()) {
                goodsAt.insert(key, report.goods.size());
                report.goods.append(row);
            } else {
                report.goods[*at].sales += row.sales;
                report.goods[*at].sum += row.sum;
            }
        }
    }
    sortGoods(report.goods, GoodsColumn::Name, Qt::AscendingOrder);
    return report;
}

void SalesReport::sortGoods(QList<GoodsRow> &rows, GoodsColumn column, Qt::SortOrder order)
{
    const QCollator collator = russianCollator();
    const auto byName = [&collator](const GoodsRow &a, const GoodsRow &b) {
        return collator.compare(a.name, b.name) < 0;
    };
    const auto less = [&](const GoodsRow &a, const GoodsRow &b) {
        switch (column) {
        case GoodsColumn::Sales:
            return a.sales != b.sales ? a.sales < b.sales : byName(a, b);
        case GoodsColumn::Sum:
            return a.sum != b.sum ? a.sum < b.sum : byName(a, b);
        case GoodsColumn::Name:
            break;
        }
        return byName(a, b);
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(rows.begin(), rows.end(), less);
    else
        std::stable_sort(rows.begin(), rows.end(),
                         [&less](const GoodsRow &a, const GoodsRow &b) { return less(b, a); });
}

#include "SalesChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QLocale>
#include <QValueAxis>

#include <algorithm>

SalesChart::SalesChart(QWidget *parent) : QChartView(new QChart, parent)
{
    setObjectName(QStringLiteral("SalesChart"));
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->hide();
    chart()->setMargins(QMargins(4, 4, 4, 4));
    chart()->setBackgroundRoundness(0);
}

void SalesChart::show(const SalesReport &report)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const bool byDay = report.step == SalesReport::Step::Day;
    // Days of one month need only their number; across months, the month too.
    const bool oneYear = report.from.year() == report.to.year();
    const bool oneMonth = oneYear && report.from.month() == report.to.month();
    m_categories.clear();
    m_values.clear();
    auto *bars = new QBarSet(QStringLiteral("Сумма"));
    for (const SalesReport::Point &p : report.series) {
        QString label;
        if (!byDay)
            label = oneYear ? russian.standaloneMonthName(p.start.month(), QLocale::ShortFormat)
                            : p.start.toString(QStringLiteral("MM.yyyy"));
        else
            label = oneMonth ? QString::number(p.start.day()) : p.start.toString(QStringLiteral("dd.MM"));
        m_categories << label;
        m_values << p.sum;
        *bars << p.sum;
    }
    QChart *c = chart();
    c->removeAllSeries();
    for (QAbstractAxis *axis : c->axes())
        c->removeAxis(axis), delete axis;
    auto *series = new QBarSeries;
    series->append(bars);
    series->setBarWidth(0.8);
    c->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(m_categories);
    // Day numbers stand side by side; longer labels turn upright when many.
    if (m_categories.size() > 31 || (m_categories.size() > 12 && !(byDay && oneMonth)))
        x->setLabelsAngle(-90);
    c->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto *y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
    // A period without sales still gets a scale to show its empty days on.
    double top = 1;
    for (const double v : std::as_const(m_values))
        top = std::max(top, v);
    y->setRange(0, top);
    c->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    y->applyNiceNumbers();
    QString title =
        byDay ? QStringLiteral("Сумма продаж по дням") : QStringLiteral("Сумма продаж по месяцам");
    if (oneYear)
        title +=
            QStringLiteral(", ") +
            (oneMonth ? russian.standaloneMonthName(report.from.month()) + QLatin1Char(' ') : QString()) +
            QString::number(report.from.year());
    c->setTitle(title);
}

QStringList SalesChart::categories() const
{
    return m_categories;
}

QList<double> SalesChart::values() const
{
    return m_values;
}

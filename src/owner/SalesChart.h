#pragma once

#include "SalesReport.h"

#include <QChartView>

// The bar chart of a report: the sum of each day, or of each month for a longer period.
class SalesChart final : public QChartView {
    Q_OBJECT

public:
    explicit SalesChart(QWidget *parent = nullptr);

    void show(const SalesReport &report);
    // The bars' labels as the axis shows them, first to last.
    QStringList categories() const;
    QList<double> values() const;

private:
    QStringList m_categories;
    QList<double> m_values;
};

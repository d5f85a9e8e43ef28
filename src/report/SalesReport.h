#pragma once

#include "CardPass.h"

#include <QDate>
#include <QList>
#include <QString>

// The sales of a period [from, to] (both days included) over every card of the data folder.
//
// A sale is one purchase dated in the period. Its sum is read by the card's own number rule; a sum
// that cannot be read ("", "договорная") still counts as a sale, adds nothing to the total and is
// counted in unreadableSums. A purchase whose date names no day (a 30 February, a month index
// out of range, a day or year that is no number) cannot be placed in any period: it is counted in
// unreadableDates, over the whole base.
class SalesReport {
public:
    // A point of the chart: one day, or one month (then `start` is its first day; the first and
    // last months may be cut by the period).
    struct Point {
        QDate start;
        qint64 sales = 0;
        double sum = 0;
    };
    enum class Step { Day, Month };

    struct GoodsRow {
        QString name; // as first written in the card order; letter case and blanks around ignored
        qint64 sales = 0;
        double sum = 0; // of the readable sums
    };
    enum class GoodsColumn { Name, Sales, Sum };

    // The chart's step: a day for periods of up to kMaxDaysByDay days, a month for longer ones.
    static constexpr qint64 kMaxDaysByDay = 62;
    static Step stepFor(const QDate &from, const QDate &to);

    // Reads every card once. Runs on any thread (no QObject); `progress` hears cards read of the
    // cards listed, returning false cancels (then the report is incomplete and says so).
    static SalesReport build(const QString &bazaPath, const QDate &from, const QDate &to,
                             const ReportProgress &progress = {});

    QDate from;
    QDate to;
    FileError error = FileError::None; // the data folder could not be opened
    bool cancelled = false;

    qint64 cards = 0;       // cards read
    qint64 unreadCards = 0; // cards listed that could not be read
    qint64 sales = 0;
    qint64 unreadableSums = 0;
    qint64 unreadableDates = 0;
    double total = 0;
    // The total over the sales whose sum was read; 0 without any.
    double average() const;

    Step step = Step::Day;
    QList<Point> series;   // every day or month of the period, those without sales included
    QList<GoodsRow> goods; // by name, Russian order

    static void sortGoods(QList<GoodsRow> &rows, GoodsColumn column, Qt::SortOrder order);
};

#pragma once

#include "GoodsTableModel.h"
#include "SalesReport.h"

#include <QDialog>
#include <QTimer>

class OwnerWork;
class QDateEdit;
class QLabel;
class QProgressBar;
class QTableView;
class SalesChart;

// "Отчёт о продажах": a period, its figures, the chart of its sums and the table of its goods.
// The report is read beside the window each time the period changes, with a progress bar.
class ReportWindow final : public QDialog {
    Q_OBJECT

public:
    explicit ReportWindow(OwnerWork &work, QWidget *parent = nullptr);

    // The quick choices, relative to `today`.
    enum class Period { ThisMonth, LastMonth, ThisYear };
    static std::pair<QDate, QDate> periodOf(Period period, const QDate &today);

    void setPeriod(const QDate &from, const QDate &to);
    QDate from() const;
    QDate to() const;
    // The last report shown; its period is null before the first one.
    const SalesReport &report() const { return m_report; }

signals:
    // "Экспорт за период…"
    void exportAsked(const QDate &from, const QDate &to);

private:
    void periodEdited();
    void startReport();
    void showReport(const SalesReport &report);

    OwnerWork &m_work;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_figures = nullptr;
    QLabel *m_unreadable = nullptr;
    SalesChart *m_chart = nullptr;
    QTableView *m_goods = nullptr;
    GoodsTableModel m_goodsModel;
    SalesReport m_report;
    QTimer m_restart; // typing a date starts the reading once the typing pauses
};

#include "ReportWindow.h"

#include "MoneyText.h"
#include "OwnerWork.h"
#include "SalesChart.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QDateEdit *dateBox(const QString &name, QWidget *parent)
{
    auto *box = new QDateEdit(parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    box->setCalendarPopup(true);
    box->setMinimumDate(QDate(1900, 1, 1));
    return box;
}

} // namespace

std::pair<QDate, QDate> ReportWindow::periodOf(Period period, const QDate &today)
{
    const QDate monthStart(today.year(), today.month(), 1);
    switch (period) {
    case Period::ThisMonth:
        return {monthStart, monthStart.addMonths(1).addDays(-1)};
    case Period::LastMonth:
        return {monthStart.addMonths(-1), monthStart.addDays(-1)};
    case Period::ThisYear:
        break;
    }
    return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
}

ReportWindow::ReportWindow(OwnerWork &work, QWidget *parent) : QDialog(parent), m_work(work)
{
    setObjectName(QStringLiteral("Otchet"));
    setWindowTitle(QStringLiteral("Отчёт о продажах"));
    setLocale(QLocale(QLocale::Russian, QLocale::Russia));

    m_from = dateBox(QStringLiteral("OtchetFrom"), this);
    m_to = dateBox(QStringLiteral("OtchetTo"), this);
    auto *period = new QHBoxLayout;
    auto *fromLabel = new QLabel(QStringLiteral("Период &с"), this);
    fromLabel->setBuddy(m_from);
    auto *toLabel = new QLabel(QStringLiteral("&по"), this);
    toLabel->setBuddy(m_to);
    period->addWidget(fromLabel);
    period->addWidget(m_from);
    period->addWidget(toLabel);
    period->addWidget(m_to);
    period->addSpacing(12);
    const struct {
        Period period;
        const char *caption;
        const char *name;
    } quick[] = {{Period::ThisMonth, "Этот &месяц", "OtchetThisMonth"},
                 {Period::LastMonth, "П&рошлый месяц", "OtchetLastMonth"},
                 {Period::ThisYear, "Этот &год", "OtchetThisYear"}};
    for (const auto &q : quick) {
        auto *button = new QPushButton(QString::fromUtf8(q.caption), this);
        button->setObjectName(QString::fromUtf8(q.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, p = q.period] {
            const auto [from, to] = periodOf(p, QDate::currentDate());
            setPeriod(from, to);
        });
        period->addWidget(button);
    }
    period->addStretch(1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("OtchetProgress"));
    m_progress->setFormat(QStringLiteral("Чтение карточек: %p%"));
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("OtchetFigures"));
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_unreadable = new QLabel(this);
    m_unreadable->setObjectName(QStringLiteral("OtchetUnreadable"));
    m_unreadable->setWordWrap(true);

    m_chart = new SalesChart(this);
    m_chart->setMinimumHeight(260);
    m_goods = new QTableView(this);
    m_goods->setObjectName(QStringLiteral("OtchetGoods"));
    m_goods->setModel(&m_goodsModel);
    m_goods->setMinimumHeight(140);
    m_goods->setSortingEnabled(true);
    m_goods->sortByColumn(2, Qt::DescendingOrder);
    m_goods->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_goods->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_goods->verticalHeader()->hide();
    m_goods->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_goods->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_goods->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);

    // The chart over the goods, each the window's width; the owner may move the line between.
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_chart);
    split->addWidget(m_goods);
    split->setChildrenCollapsible(false);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    auto *exportButton =
        buttons->addButton(QStringLiteral("&Экспорт за период…"), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("OtchetExport"));
    connect(exportButton, &QPushButton::clicked, this, [this] { emit exportAsked(from(), to()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(m_progress);
    layout->addWidget(m_figures);
    layout->addWidget(m_unreadable);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    resize(900, 680);

    m_restart.setSingleShot(true);
    m_restart.setInterval(400);
    connect(&m_restart, &QTimer::timeout, this, &ReportWindow::startReport);
    connect(m_from, &QDateEdit::dateChanged, this, &ReportWindow::periodEdited);
    connect(m_to, &QDateEdit::dateChanged, this, &ReportWindow::periodEdited);
    connect(&m_work, &OwnerWork::reportProgress, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });
    connect(&m_work, &OwnerWork::reportReady, this, &ReportWindow::showReport);
    connect(this, &QDialog::finished, &m_work, &OwnerWork::cancelReport);

    const auto [first, last] = periodOf(Period::ThisMonth, QDate::currentDate());
    setPeriod(first, last);
}

void ReportWindow::setPeriod(const QDate &from, const QDate &to)
{
    {
        const QSignalBlocker a(m_from), b(m_to);
        m_from->setDate(from);
        m_to->setDate(to);
    }
    startReport();
}

QDate ReportWindow::from() const
{
    return m_from->date();
}

QDate ReportWindow::to() const
{
    return m_to->date();
}

void ReportWindow::periodEdited()
{
    m_restart.start();
}

void ReportWindow::startReport()
{
    m_restart.stop();
    m_progress->setRange(0, 0);
    m_progress->setVisible(true);
    if (from() > to()) {
        m_progress->setVisible(false);
        m_figures->setText(QStringLiteral("Начало периода позже его конца."));
        return;
    }
    m_work.startReport(from(), to());
}

void ReportWindow::showReport(const SalesReport &report)
{
    if (report.from != from() || report.to != to())
        return; // a period the owner has left meanwhile
    m_report = report;
    m_progress->setVisible(false);
    if (report.error != FileError::None) {
        m_figures->setText(QStringLiteral("Папку базы не удалось прочитать."));
        return;
    }
    m_figures->setText(QStringLiteral("Продаж: %1     Сумма: %2     Средняя покупка: %3")
                           .arg(QLocale(QLocale::Russian, QLocale::Russia).toString(report.sales),
                                moneyText(report.total), moneyText(report.average())));
    QStringList unread;
    if (report.unreadableSums > 0)
        unread << QStringLiteral("%1 — сумма, в итог не вошли").arg(purchasesText(report.unreadableSums));
    if (report.unreadableDates > 0)
        unread << QStringLiteral("%1 во всей базе — дата, ни в один период не входят")
                      .arg(purchasesText(report.unreadableDates));
    if (report.unreadCards > 0)
        unread << QStringLiteral("карточек не прочитано: %1").arg(report.unreadCards);
    m_unreadable->setText(
        unread.isEmpty() ? QString() : QStringLiteral("не распознано: ") + unread.join(QStringLiteral("; ")));
    m_unreadable->setVisible(!unread.isEmpty());
    m_chart->show(report);
    m_goodsModel.setRows(report.goods);
}

#include "GoodsTableModel.h"
#include "MoneyText.h"
#include "OwnerWork.h"
#include "ReportBase.h"
#include "ReportWindow.h"
#include "SalesChart.h"
#include "WarrantyWindow.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestOwner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void words_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("money");
        QTest::addColumn<QString>("purchases");
        const QString nb(QChar(0xA0)); // Russian digit groups
        QTest::newRow("one") << 1.0 << "1"
                             << "1 покупка";
        QTest::newRow("few") << 3.0 << "3"
                             << "3 покупки";
        QTest::newRow("eleven") << 11.0 << "11"
                                << "11 покупок";
        QTest::newRow("twenty-two") << 22.0 << "22"
                                    << "22 покупки";
        QTest::newRow("hundred twelve") << 112.0 << "112"
                                        << "112 покупок";
        QTest::newRow("groups") << 1234567.0 << "1" + nb + "234" + nb + "567"
                                << "1" + nb + "234" + nb + "567 покупок";
        QTest::newRow("kopecks") << 1234.5 << "1" + nb + "234,50"
                                 << "";
    }
    void words()
    {
        QFETCH(double, value);
        QFETCH(QString, money);
        QFETCH(QString, purchases);
        QCOMPARE(moneyText(value), money);
        if (!purchases.isEmpty())
            QCOMPARE(purchasesText(qint64(value)), purchases);
    }

    // The report of 2024 over the small base: figures, what could not be read, the chart by
    // month, the goods sortable.
    void reportWindow()
    {
        QTemporaryDir dir;
        const QString baza = dir.path() + "/База/";
        QVERIFY(reportbase::write(baza));
        OwnerWork work(baza);
        ReportWindow window(work);
        QTRY_VERIFY(window.report().from.isValid()); // this month's, at opening
        window.setPeriod(QDate(2024, 1, 1), QDate(2024, 12, 31));
        QTRY_COMPARE(window.report().from, QDate(2024, 1, 1));

        const QString figures = window.findChild<QLabel *>("OtchetFigures")->text();
        QVERIFY2(figures.startsWith("Продаж: 4 ") && figures.contains(moneyText(16200.5)),
                 qPrintable(figures));
        const QString unread = window.findChild<QLabel *>("OtchetUnreadable")->text();
        QVERIFY2(unread.contains("2 покупки — сумма") && unread.contains("3 покупки во всей базе"),
                 qPrintable(unread));

        const SalesChart *chart = window.findChild<SalesChart *>();
        QCOMPARE(chart->categories().size(), 12);
        QCOMPARE(chart->categories().first(), QLocale().standaloneMonthName(1, QLocale::ShortFormat));
        QCOMPARE(chart->values()[1], 15000.0);

        QTableView *goods = window.findChild<QTableView *>("OtchetGoods");
        QAbstractItemModelTester tester(goods->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        goods->sortByColumn(1, Qt::AscendingOrder);
        QStringList counts;
        for (int r = 0; r < goods->model()->rowCount(); ++r)
            counts << goods->model()->index(r, 1).data().toString();
        QVERIFY2(std::is_sorted(counts.begin(), counts.end()), qPrintable(counts.join(',')));

        // Typing a period that ends before it starts reads nothing.
        window.setPeriod(QDate(2024, 5, 1), QDate(2024, 4, 1));
        QCOMPARE(window.findChild<QLabel *>("OtchetFigures")->text(),
                 QString("Начало периода позже его конца."));
    }

    // Only the rows changed reach the table; "нет" removes a term; an added item name gets one.
    void warrantyWindow()
    {
        WarrantyWindow window(reportbase::terms(), {"Утюг", "Телевизор", "утюг "});
        QTableWidget *table = window.table();
        QStringList names;
        for (int r = 0; r < table->rowCount(); ++r)
            names << table->item(r, 0)->text();
        QCOMPARE(names, QStringList({"Пульт", "Телевизор", "Утюг"}));
        table->item(0, 1)->setData(Qt::EditRole, 0);  // Пульт: none
        table->item(2, 1)->setData(Qt::EditRole, 24); // Утюг
        window.findChild<QPushButton *>("GarantiyaAdd")->click();
        table->item(3, 0)->setText("Антенна");
        table->item(3, 1)->setData(Qt::EditRole, 3);
        const WarrantyTerms edited = window.edited();
        QCOMPARE(edited.months("Пульт"), 0);
        QCOMPARE(edited.months("Телевизор"), 12);
        QCOMPARE(edited.months("утюг"), 24);
        QCOMPARE(edited.months("Антенна"), 3);
    }
};

QTEST_MAIN(TestOwner)
#include "tst_owner.moc"

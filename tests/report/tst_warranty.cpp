#include "CardFile.h"
#include "CardHistory.h"
#include "ReportBase.h"
#include "SlipTemplate.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using testfiles::crlf;

class TestWarranty : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void merges_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("merged");
        const QByteArray other = crlf({"Утюг\t24", "заметка владельца", "телевизор\t6", "ТЕЛЕВИЗОР\t7"});
        QTest::newRow("another's terms and notes stay, a changed line in place, repeats dropped")
            << other << crlf({"Утюг\t24", "заметка владельца", "Телевизор\t12", "Фен\t3"});
        QTest::newRow("a missing file") << QByteArray() << crlf({"Телевизор\t12", "Фен\t3"});
        QTest::newRow("a removed term goes")
            << crlf({"Пульт\t6", "Утюг\t1"}) << crlf({"Утюг\t1", "Телевизор\t12", "Фен\t3"});
    }

    void merges()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, merged);
        WarrantyTerms t = reportbase::terms();
        t.setMonths(" телевизор ", 12); // the spelling written is the one set
        t.setMonths("Телевизор", 12);
        t.setMonths("Фен", 3);
        t.setMonths("пульт", 0);
        QCOMPARE(t.mergedInto(file), merged);
        QCOMPARE(t.months("ФЕН "), 3);
        QCOMPARE(t.months("Пульт"), 0);
    }

    void warrantyEnds_data()
    {
        QTest::addColumn<QDate>("bought");
        QTest::addColumn<int>("months");
        QTest::addColumn<QDate>("end");
        QTest::newRow("29 February, a year") << QDate(2024, 2, 29) << 12 << QDate(2025, 2, 28);
        QTest::newRow("31 January, a month") << QDate(2023, 1, 31) << 1 << QDate(2023, 2, 28);
        QTest::newRow("four years to a leap day") << QDate(2024, 2, 29) << 48 << QDate(2028, 2, 29);
        QTest::newRow("no term") << QDate(2024, 1, 1) << 0 << QDate();
        QTest::newRow("no date") << QDate() << 12 << QDate();
    }

    void warrantyEnds()
    {
        QFETCH(QDate, bought);
        QFETCH(int, months);
        QFETCH(QDate, end);
        QCOMPARE(WarrantyTerms::warrantyEnd(bought, months), end);
    }

    void savesKeepingHistoryAndBounds()
    {
        const QString baza = m_dir.path() + "/База/";
        QVERIFY(QDir().mkpath(baza));
        const QString path = WarrantyTerms::pathBeside(m_dir.path() + "/Товары.txt");
        QCOMPARE(path, m_dir.path() + "/Гарантия.txt");
        WarrantyTerms t;
        QCOMPARE(t.load(path), FileError::None); // missing: empty
        t.setMonths("Телевизор", 12);
        QCOMPARE(t.save(path, WarrantyTerms::keepInHistory(baza)), FileError::None);
        t.setMonths("Телевизор", 24);
        QCOMPARE(t.save(path, WarrantyTerms::keepInHistory(baza)), FileError::None);
        QCOMPARE(testfiles::readAll(path), crlf({"Телевизор\t24"}));
        const QList<CardVersion> kept = CardHistory(baza).versions("Гарантия.txt");
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].bytes, crlf({"Телевизор\t12"}));

        QVERIFY(testfiles::writeAll(path, QByteArray(WarrantyTerms::kMaxFileBytes + 1, '\n')));
        QCOMPARE(t.load(path), FileError::Other);
        t.setMonths("Фен", 3);
        QCOMPARE(t.save(path), FileError::Other);
        QCOMPARE(QFileInfo(path).size(), WarrantyTerms::kMaxFileBytes + 1);
    }

    void twoProgramsSavingAtOnceKeepBoth()
    {
        const QString path = m_dir.path() + "/вместе/Гарантия.txt";
        QVERIFY(QDir().mkpath(m_dir.path() + "/вместе"));
        const int each = 15;
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w].start(QCoreApplication::applicationDirPath() + "/tarvesko_warrantywriter",
                             {path, QString("Товар %1").arg(w), QString::number(each)});
            QVERIFY(writers[w].waitForStarted() && writers[w].waitForReadyRead() &&
                    writers[w].read(1) == "r");
        }
        for (QProcess &w : writers)
            QVERIFY(w.write("g") == 1 && w.waitForBytesWritten());
        for (QProcess &w : writers)
            QVERIFY(w.waitForFinished(60000) && w.exitStatus() == QProcess::NormalExit && w.exitCode() == 0);
        WarrantyTerms t;
        QCOMPARE(t.load(path), FileError::None);
        QCOMPARE(t.terms().size(), 2 * each);
        for (int n = 0; n < each; ++n)
            QVERIFY(t.months(QString("Товар 0 %1").arg(n)) == n + 1 &&
                    t.months(QString("Товар 1 %1").arg(n)) == n + 1);
    }

    void fillsSlipEscaped()
    {
        const SlipTemplate t =
            SlipTemplate::fromHtml("<p>{{customer}}, {{ date }}: {{goods}} {{sum}} до {{warranty_end}}</p>\n"
                                   "{{#items}}<tr><td>{{item}}</td><td>{{serial}}</td><td>{{warranty_end}}</"
                                   "td></tr>\n{{/items}}<p>Подпись</p>");
        QVERIFY2(t.isValid(), qPrintable(t.error()));
        CardHeader h;
        h.familiya = "Щукин <b>&";
        h.imya = "Ян";
        TovarCls p;
        p.Day = "29";
        p.Mesac = 1;
        p.God = "2024";
        p.Tovar = "Телевизор";
        p.Summa = "15000";
        for (const char *item : {"Пульт", "SN-Ж1", "Антенна", "АБВ-002", "Кабель \"М\"", "Ёж-'3'"})
            p.NewIzdelie(item);
        QCOMPARE(t.fill(SlipData::of(h, p, reportbase::terms())),
                 "<p>Щукин &lt;b&gt;&amp; Ян, 29.02.2024: Телевизор 15000 до 28.02.2025</p>\n"
                 "<tr><td>Пульт</td><td>SN-Ж1</td><td>29.08.2024</td></tr>\n"
                 "<tr><td>Антенна</td><td>АБВ-002</td><td>28.02.2025</td></tr>\n"
                 "<tr><td>Кабель &quot;М&quot;</td><td>Ёж-&#39;3&#39;</td><td>28.02.2025</td></tr>\n"
                 "<p>Подпись</p>");
    }

    void brokenTemplatesAreTold_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("told");
        QTest::newRow("missing") << QByteArray() << "не найден";
        QTest::newRow("no items block") << QByteArray("<p>{{customer}}</p>") << "нет блока изделий";
        QTest::newRow("unclosed block") << QByteArray("{{#items}}{{item}}") << "не закрыт";
        QTest::newRow("two blocks") << QByteArray("{{#items}}{{/items}}{{#items}}{{/items}}")
                                    << "больше одного раза";
        QTest::newRow("item outside the block")
            << QByteArray("{{item}}{{#items}}{{/items}}") << "неизвестная подстановка {{item}}";
        QTest::newRow("too big") << QByteArray(SlipTemplate::kMaxFileBytes + 1, ' ') << "больше 1024 КБ";
    }

    void brokenTemplatesAreTold()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, told);
        const QString baza = m_dir.path() + "/Талон/";
        QVERIFY(QDir().mkpath(baza));
        QFile::remove(baza + SlipTemplate::fileName());
        QVERIFY(file.isEmpty() || testfiles::writeAll(baza + SlipTemplate::fileName(), file));
        const SlipTemplate t = SlipTemplate::load(baza);
        QVERIFY(!t.isValid());
        QVERIFY2(t.error().contains(told) && t.error().contains("Можно вернуть шаблон"),
                 qPrintable(t.error()));
        QCOMPARE(t.fill({}), QString());

        // Put back, the shipped template reads and fills; what the owner had is in the history.
        QCOMPARE(SlipTemplate::restoreShipped(baza), FileError::None);
        QCOMPARE(testfiles::readAll(baza + SlipTemplate::fileName()), SlipTemplate::shippedBytes());
        QCOMPARE(CardHistory(baza).versions(SlipTemplate::fileName()).size() > 0, !file.isEmpty());
        const SlipTemplate shipped = SlipTemplate::load(baza);
        QVERIFY2(shipped.isValid(), qPrintable(shipped.error()));
        SlipData data;
        data.items = {{"Пульт", "SN-Ж1", QDate(2025, 2, 28)}};
        QVERIFY(shipped.fill(data).contains("<td>Пульт</td><td>SN-Ж1</td><td>28.02.2025</td>"));
    }

    void writesPdf()
    {
        const QString pdf = m_dir.path() + "/талон.pdf";
        QCOMPARE(writeSlipPdf("<h1>Гарантийный талон</h1><p>Пульт SN-Ж1</p>", pdf), FileError::None);
        const QByteArray bytes = testfiles::readAll(pdf);
        QVERIFY(bytes.startsWith("%PDF") && bytes.size() > 1000);
        QCOMPARE(writeSlipPdf("<p/>", m_dir.path() + "/нет/талон.pdf"), FileError::NotFound);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestWarranty)
#include "tst_warranty.moc"

#include "CardHistory.h"
#include "ChangeWords.h"
#include "VersionList.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

const QDateTime kNow = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);

QList<CardVersion> daysAgo(const QList<int> &days)
{
    QList<CardVersion> versions;
    for (int d : days)
        versions.append({kNow.addDays(-d), QByteArray::number(d), 0});
    return versions;
}

TovarCls purchase(const QString &tovar, const QString &summa)
{
    TovarCls p;
    p.Day = "1";
    p.God = "2024";
    p.Tovar = tovar;
    p.Summa = summa;
    return p;
}

} // namespace

class TestCardHistory : public QObject {
    Q_OBJECT

private slots:
    void pruningKeepsRecentAndTheLastFew_data()
    {
        QTest::addColumn<QList<int>>("ages"); // days, oldest first
        QTest::addColumn<int>("kept");
        QList<int> old(30, 400);
        QTest::newRow("all recent") << QList<int>{80, 10, 0} << 3;
        QTest::newRow("old but few") << QList<int>{500, 400} << 2;
        QTest::newRow("old beyond the last 20") << old << CardHistory::kKeepAtLeast;
        QTest::newRow("old ones before recent ones") << (old + QList<int>(25, 1)) << 25;
    }

    void pruningKeepsRecentAndTheLastFew()
    {
        QFETCH(QList<int>, ages);
        QFETCH(int, kept);
        const QList<CardVersion> versions = daysAgo(ages);
        const QList<CardVersion> left = CardHistory::pruned(versions, kNow);
        QCOMPARE(left.size(), kept);
        QCOMPARE(left.last().bytes, versions.last().bytes); // the newest always stays
    }

    void pruningKeepsAHistoryReadable()
    {
        const QByteArray big(CardHistory::kMaxBytes / 3 + 1, 'x');
        QList<CardVersion> versions;
        for (int i = 0; i < 4; ++i)
            versions.append({kNow.addSecs(i), big + char('0' + i), 0});
        const QList<CardVersion> left = CardHistory::pruned(versions, kNow);
        QCOMPARE(left.size(), 2);
        QCOMPARE(left.last().bytes, versions.last().bytes);
        QCOMPARE(CardHistory::pruned({{kNow, QByteArray(CardHistory::kMaxBytes + 1, 'y'), 0}}, kNow).size(),
                 1);
    }

    // Read back as written, including bytes that look like a record. Anyone of the shop's group
    // may write a history file: what follows the good versions (a torn end, or a forged record
    // whose numbers are out of range) ends the list.
    void fileFormatSurvivesABadEnd_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("torn") << QByteArray("V 5 100 1\nshort");
        QTest::newRow("negative purchases") << QByteArray("V 5 1 -1\nx");
        QTest::newRow("purchases past any card") << QByteArray("V 5 1 2000000000\nx");
        QTest::newRow("negative size") << QByteArray("V 5 -1 1\nx");
        QTest::newRow("time before 1970") << QByteArray("V -5 1 1\nx");
        QTest::newRow("time past 9999") << QByteArray("V 9000000000000000 1 1\nx");
        QTest::newRow("no number") << QByteArray("V x 1 1\nx");
    }

    void fileFormatSurvivesABadEnd()
    {
        QFETCH(QByteArray, end);
        QList<CardVersion> versions{{kNow, "Иванов\r\nV 1 2 3\n", 2}, {kNow.addSecs(60), QByteArray(), 0}};
        const QByteArray file = CardHistory::serialize(versions);
        const QList<CardVersion> back = CardHistory::parse(file + end);
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].bytes, versions[0].bytes);
        QCOMPARE(back[0].replaced, kNow);
        QCOMPARE(back[0].purchasesAfter, 2);
    }

    // Newest first, each set against what followed it; a version a killed write kept without
    // replacing the card (equal to what followed) is left out.
    void versionsListed()
    {
        const QByteArray a = "Иванов\r\n", b = "Петров\r\n";
        const QList<CardVersion> versions{{kNow, a, 0}, {kNow.addSecs(1), b, 0}, {kNow.addSecs(2), b, 0}};
        const QList<ListedVersion> listed = listedVersions(versions, b + "x");
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed[0].version.replaced, kNow.addSecs(2));
        QCOMPARE(listed[1].version.bytes, a);
        QVERIFY(listed[1].line.endsWith(QStringLiteral("изменена фамилия")));
        VersionListModel model;
        QAbstractItemModelTester tester(&model);
        model.setVersions(listed);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1).data().toString(), listed[1].line);
        QCOMPARE(listedVersions(versions, b).size(), 1); // the newest equals the card now
    }

    void changesInWords()
    {
        Card a{{"Иванов", "Иван", "", "1", "2", "5", 0, "1970"},
               {purchase("Утюг", "300"), purchase("Фен", "90")}};
        Card b = a;
        b.header.telDom = "3";
        b.pokupki[1].Summa = "900";
        QCOMPARE(changeWords(a, b), (QStringList{"изменён телефон", "изменена сумма покупки 2: 90 → 900"}));
        b = a;
        b.pokupki.removeFirst();
        b.pokupki.append({purchase("Лампа", "5"), purchase("Чайник", "7")});
        QCOMPARE(changeWords(a, b), (QStringList{"удалена покупка 1 Утюг", "добавлена покупка 2 Лампа",
                                                 "добавлена покупка 3 Чайник"}));
        QCOMPARE(changeWords(a, a), QStringList{"без изменений"});
    }
};

QTEST_GUILESS_MAIN(TestCardHistory)
#include "tst_cardhistory.moc"

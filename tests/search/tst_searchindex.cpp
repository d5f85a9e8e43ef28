#include "SearchIndex.h"
#include "TestFiles.h"

#include <QTest>

using testfiles::crlf;

namespace {

const QByteArray kElkin = crlf({"Ёлкин", "Иван", "Петрович", "8 (912) 345-67", "", "5", " 2 ", "1970",
                                "12", " 0 ", "2005", "Телевизор цветной", "1500", " 4 ", "Пульт", "S/N 0001", "Кабель",
                                "K-77", "3", " 5 ", "2007", "Утюг", "300", " 0 "});
const QByteArray kIvanov = crlf({"Иванов-Петров", "Сергей", "", "555", "777", "1", " 0 ", "1980"});

SearchIndex sampleIndex()
{
    SearchIndex index;
    index.setEntry(SearchIndex::makeEntry("00000001.dat", kElkin));
    index.setEntry(SearchIndex::makeEntry("00000002.dat", kIvanov));
    return index;
}

SearchRow rowOf(const SearchHit &hit)
{
    return SearchIndex::rowOf(hit, hit.fileName == "00000001.dat" ? kElkin : kIvanov);
}

QStringList describe(const SearchResult &r)
{
    QStringList out;
    for (const SearchHit &hit : r.hits)
        out << hit.fileName + ":" + QString::number(hit.purchase) + ":" + rowOf(hit).izdelie;
    return out;
}

} // namespace

class TestSearchIndex : public QObject {
    Q_OBJECT

private slots:
    void matching_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("rows");
        const QStringList allOfElkin{"00000001.dat:0:Пульт", "00000001.dat:0:Кабель", "00000001.dat:1:"};
        QTest::newRow("ё as е, any case") << "ЕЛК" << allOfElkin;
        QTest::newRow("start of a word only") << "лкин" << QStringList{};
        QTest::newRow("second word of goods") << "цвет" << QStringList{"00000001.dat:0:Пульт", "00000001.dat:0:Кабель"};
        QTest::newRow("phone digits") << "91234" << allOfElkin;
        QTest::newRow("phone as written") << "345-67" << allOfElkin;
        QTest::newRow("serial without marks") << "sn0001" << QStringList{"00000001.dat:0:Пульт"};
        QTest::newRow("serial with other marks") << "s.n-0001" << QStringList{"00000001.dat:0:Пульт"};
        QTest::newRow("serial inside") << "77" << QStringList{"00000001.dat:0:Кабель", "00000002.dat:-1:"};
        QTest::newRow("item name") << "кабель" << QStringList{"00000001.dat:0:Кабель"};
        QTest::newRow("two words, two columns") << "елкин утюг" << QStringList{"00000001.dat:1:"};
        QTest::newRow("words must all match") << "елкин пылесос" << QStringList{};
        QTest::newRow("month and year") << "июня 2007" << QStringList{"00000001.dat:1:"};
        QTest::newRow("hyphenated surname") << "петров" << QStringList{"00000002.dat:-1:", "00000001.dat:0:Пульт",
                                                                        "00000001.dat:0:Кабель", "00000001.dat:1:"};
        QTest::newRow("file name") << "00000002" << QStringList{"00000002.dat:-1:"};
        QTest::newRow("empty") << "   " << QStringList{};
        QTest::newRow("outside the code page") << "ő" << QStringList{};
    }

    void matching()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, rows);
        const SearchResult r = sampleIndex().query(query);
        QStringList got = describe(r);
        // Rows come card by card in folder order; compare as sets where cards interleave.
        std::sort(got.begin(), got.end());
        std::sort(rows.begin(), rows.end());
        QCOMPARE(got, rows);
        QCOMPARE(r.total, rows.size());
    }

    void rowsCarryTheColumns()
    {
        const SearchResult r = sampleIndex().query("sn0001");
        QCOMPARE(r.hits.size(), 1);
        const SearchRow row = rowOf(r.hits[0]);
        QCOMPARE(row.fio, QStringLiteral("Ёлкин Иван Петрович"));
        QCOMPARE(row.phones, QStringLiteral("8 (912) 345-67"));
        QCOMPARE(row.date, QStringLiteral("12 Января 2005"));
        QCOMPARE(row.tovar, QStringLiteral("Телевизор цветной"));
        QCOMPARE(row.serial, QStringLiteral("S/N 0001"));
        QCOMPARE(rowOf(sampleIndex().query("555").hits[0]).phones, QStringLiteral("555, 777"));
    }

    void limitCountsEverything()
    {
        const SearchResult r = sampleIndex().query("елкин", 2);
        QCOMPARE(r.total, 3);
        QCOMPARE(r.hits.size(), 2);
    }

    void soldSerialsAreFoundExactly()
    {
        const SearchIndex index = sampleIndex();
        SearchHit sold;
        QVERIFY(index.findSerial("sn 0001", &sold));
        QCOMPARE(rowOf(sold).fio, QStringLiteral("Ёлкин Иван Петрович"));
        QCOMPARE(rowOf(sold).date, QStringLiteral("12 Января 2005"));
        QCOMPARE(rowOf(sold).izdelie, QStringLiteral("Пульт"));
        QVERIFY(!index.findSerial("0001", &sold)); // a part is not the same number
        QVERIFY(index.findSerial("k77", nullptr));
    }

    void replacingAndRemovingCards()
    {
        SearchIndex index = sampleIndex();
        index.setEntry(SearchIndex::makeEntry("00000002.dat", crlf({"Сидоров", "С", "", "", "", "1", " 0 ", "1980"})));
        QCOMPARE(index.cardCount(), 2);
        QVERIFY(index.query("иванов").hits.isEmpty());
        QCOMPARE(index.query("сидоров").total, 1);
        index.removeFile("00000001.dat");
        QCOMPARE(index.query("елкин").total, 0);
        QCOMPARE(index.cardCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "tst_searchindex.moc"

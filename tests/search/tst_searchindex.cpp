#include "ReadCardFolding.h"
#include "SearchIndex.h"
#include "TestFiles.h"
#include "WindowPlacement.h"

#include <QTest>

using testfiles::crlf;

namespace {

const QByteArray kElkin = crlf({"Ёлкин",  "Иван", "Петрович", "8 (912) 345-67",
                                "",       "5",    " 2 ",      "1970",
                                "12",     " 0 ",  "2005",     "Телевизор цветной",
                                "1500",   " 4 ",  "Пульт",    "S/N 0001",
                                "Кабель", "K-77", "3",        " 5 ",
                                "2007",   "Утюг", "300",      " 0 "});
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

// A card of `purchases` purchases of two items each, for indexes of many cards.
QByteArray generatedCard(int n, int purchases)
{
    QStringList lines{"Фамилия" + QString::number(n),
                      "Имя",
                      "Отчество",
                      "8-900-" + QString::number(n),
                      "",
                      "1",
                      " 0 ",
                      "1980"};
    for (int p = 0; p < purchases; ++p)
        lines << "1"
              << " 2 "
              << "2010"
              << "Товар" + QString::number(p) << "100"
              << " 4 "
              << "Изделие"
              << "SN-" + QString::number(n) << "Пульт"
              << "P/" + QString::number(n) + "/" + QString::number(p);
    return crlf(lines);
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
        QTest::newRow("second word of goods")
            << "цвет" << QStringList{"00000001.dat:0:Пульт", "00000001.dat:0:Кабель"};
        QTest::newRow("phone digits") << "91234" << allOfElkin;
        QTest::newRow("phone as written") << "345-67" << allOfElkin;
        QTest::newRow("serial without marks") << "sn0001" << QStringList{"00000001.dat:0:Пульт"};
        QTest::newRow("serial with other marks") << "s.n-0001" << QStringList{"00000001.dat:0:Пульт"};
        QTest::newRow("serial inside") << "77" << QStringList{"00000001.dat:0:Кабель", "00000002.dat:-1:"};
        QTest::newRow("item name") << "кабель" << QStringList{"00000001.dat:0:Кабель"};
        QTest::newRow("two words, two columns") << "елкин утюг" << QStringList{"00000001.dat:1:"};
        QTest::newRow("words must all match") << "елкин пылесос" << QStringList{};
        QTest::newRow("month and year") << "июня 2007" << QStringList{"00000001.dat:1:"};
        QTest::newRow("hyphenated surname") << "петров"
                                            << QStringList{"00000002.dat:-1:", "00000001.dat:0:Пульт",
                                                           "00000001.dat:0:Кабель", "00000001.dat:1:"};
        QTest::newRow("file name") << "00000002" << QStringList{"00000002.dat:-1:"};
        QTest::newRow("empty") << "   " << QStringList{};
        QTest::newRow("outside the code page") << "ő" << QStringList{};
    }

    // Rows by how they matched: the whole serial number, the surname's start, the name's or
    // patronymic's start, the rest; the first rows kept when the result is cut.
    void ordering_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("serial, surname, patronymic")
            << "смир" << 10 << QStringList{"00000001.dat:0:Пульт", "00000003.dat:-1:", "00000002.dat:-1:"};
        QTest::newRow("surname before patronymic")
            << "смирнов" << 10 << QStringList{"00000003.dat:-1:", "00000002.dat:-1:"};
        QTest::newRow("cut after the best") << "смир" << 1 << QStringList{"00000001.dat:0:Пульт"};
    }
    void ordering()
    {
        SearchIndex index;
        index.setEntry(SearchIndex::makeEntry(
            "00000001.dat", crlf({"Борисов", "Олег", "", "", "", "1", " 0 ", "1970", "1", " 0 ", "2020",
                                  "Телевизор", "100", " 2 ", "Пульт", "СМИР"})));
        index.setEntry(SearchIndex::makeEntry("00000002.dat", crlf({"Агеев", "Иван", "Смирнович", "", ""})));
        index.setEntry(SearchIndex::makeEntry("00000003.dat", crlf({"Смирнов", "Олег", "", "", ""})));
        QFETCH(QString, query);
        QFETCH(int, limit);
        QFETCH(QStringList, rows);
        QCOMPARE(describe(index.query(query, limit)), rows);
    }

    // The search window beside the main window (600x520 at x 100), never over its card (the left 280).
    void placement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("room to the right") << QRect(0, 0, 1920, 1080) << QRect(708, 50, 800, 400);
        QTest::newRow("room below only") << QRect(0, 0, 1200, 1080) << QRect(100, 578, 800, 400);
        QTest::newRow("no side has room: off the card") << QRect(0, 0, 1024, 768) << QRect(388, 50, 636, 400);
    }
    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, placed);
        const QRect main(100, 50, 600, 520), card(100, 50, 280, 520);
        QCOMPARE(placeBeside(main, card, QSize(800, 400), screen), placed);
        QVERIFY(!placed.intersects(card));
    }

    // The search window's form and place: full beside or over the purchase panel, full with the
    // main window moved left, compact beside (below), compact with the main window moved; the card
    // never covered.
    void searchPlacement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<int>("shift");
        QTest::newRow("full beside") << QRect(0, 0, 2600, 1440) << QRect(708, 50, 1300, 600) << false << 0;
        QTest::newRow("full over the panel")
            << QRect(0, 0, 1920, 1080) << QRect(620, 50, 1300, 600) << false << 0;
        QTest::newRow("full, main moved")
            << QRect(0, 0, 1600, 1000) << QRect(300, 50, 1300, 600) << false << -100;
        QTest::newRow("compact below") << QRect(0, 0, 1280, 1024) << QRect(100, 578, 700, 300) << true << 0;
        QTest::newRow("compact, main moved")
            << QRect(0, 0, 1024, 768) << QRect(324, 50, 700, 300) << true << -100;
    }
    void searchPlacement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, placed);
        QFETCH(bool, compact);
        QFETCH(int, shift);
        const QRect main(100, 50, 600, 520), card(100, 50, 280, 520);
        const SearchPlace place = placeSearch(main, card, QSize(1300, 600), QSize(700, 300), screen);
        QCOMPARE(place.window, placed);
        QCOMPARE(place.compact, compact);
        QCOMPARE(place.mainShift, shift);
        QVERIFY(!placed.intersects(card.translated(shift, 0)));
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
        QCOMPARE(row.date, QStringLiteral("12 января 2005"));
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
        QCOMPARE(rowOf(sold).date, QStringLiteral("12 января 2005"));
        QCOMPARE(rowOf(sold).izdelie, QStringLiteral("Пульт"));
        QVERIFY(!index.findSerial("0001", &sold)); // a part is not the same number
        QVERIFY(index.findSerial("k77", nullptr));
    }

    void foldedFromBytesAsFromTheReadCard_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray header = crlf({"Ёлкин", "Иван", "", "8 (912)\t345", "", "5", " 2 ", "1970"});
        QTest::newRow("sample") << "00000001.dat" << kElkin;
        QTest::newRow("no purchases") << "00000002.dat" << kIvanov;
        QTest::newRow("empty file") << "00000003.dat" << QByteArray();
        QTest::newRow("odd item count")
            << "x.dat" << header + crlf({"1", " 0 ", "2001", "Утюг", "5", " 3 ", "A", "1", "B"});
        QTest::newRow("count past the end")
            << "x.dat" << header + crlf({"1", " 0 ", "2001", "Утюг", "5", " 9 ", "A", "1"});
        QTest::newRow("negative count")
            << "x.dat" << header + crlf({"1", " 0 ", "2001", "Утюг", "5", "-1 ", "A", "1"});
        QTest::newRow("count with a plus and a tab")
            << "x.dat" << header + crlf({"1", " 0 ", "2001", "Утюг", "5", "\t+2 ", "A", "S/N 1"});
        QTest::newRow("huge count") << "x.dat"
                                    << header + crlf({"1", " 0 ", "2001", "Утюг", "5", " 2000000000 ", "A"});
        QTest::newRow("month rounded") << "x.dat" << header + crlf({"1", "5.7", "2001", "Утюг", "5", " 0 "});
        QTest::newRow("month out of range")
            << "x.dat"
            << header + crlf({"", " 12 ", "", "Утюг", "5", " 0 ", "", "-1 ", "2002", "Чайник", "", ""});
        QTest::newRow("month empty") << "x.dat" << header + crlf({"3", "", "2001", "", "", ""});
        QTest::newRow("cut inside a purchase") << "x.dat" << header + QByteArray("7\r\n 3 \r\n20");
        QTest::newRow("lone CR and LF")
            << "x.dat" << QByteArray("A\rB\nC\r\n1\r2\n\r\n 0 \n1990\n1\r 1 \n2000\nX\n1\n 2 \nI\nS.1");
        QTest::newRow("control and high bytes")
            << "x.dat" << QByteArray("\x01\x05\x98\xA8\xB8\xFF\r\n\x7F\r\n");
        QTest::newRow("Cyrillic file name") << "Ёлкин.dat" << kElkin;
    }

    void foldedFromBytesAsFromTheReadCard()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        const SearchIndex::Entry entry = SearchIndex::makeEntry(fileName, bytes);
        QCOMPARE(entry.folded, readcard::folded(fileName, bytes));
        QCOMPARE(entry.shape.rows, readcard::rows(bytes));
        QCOMPARE(entry.folded.indexOf('\x03') < 0 ? entry.folded.size() : entry.folded.indexOf('\x03'),
                 entry.shape.head);
    }

    void rowsAreCountedPastTheLimit()
    {
        // Every row of a card whose name matches counts, shown or not.
        SearchIndex index;
        for (int n = 0; n < 30; ++n)
            index.addCard(QString::number(n) + ".dat", generatedCard(n, n % 3));
        const SearchResult r = index.query("фамилия", 5);
        QCOMPARE(r.hits.size(), 5);
        QCOMPARE(r.total, 10 * 1 + 10 * 2 + 10 * 4); // no purchases: 1 row; 2 items a purchase
        QCOMPARE(index.query("фамилия 2010 пульт").total, 10 * 1 + 10 * 2);
    }

    void manyCardsWrittenAgainAndRemoved()
    {
        // Several megabytes of folded text, then most of it written again and some removed: the
        // index keeps one text a card and finds each exactly once.
        SearchIndex index;
        const int cards = 3000;
        for (int n = 0; n < cards; ++n)
            index.addCard(QString::number(n) + ".dat", generatedCard(n, 8));
        for (int round = 0; round < 3; ++round)
            for (int n = 0; n < cards; n += 2)
                index.addCard(QString::number(n) + ".dat", generatedCard(n, round == 2 ? 1 : 8));
        for (int n = 1; n < cards; n += 4)
            index.removeFile(QString::number(n) + ".dat");
        QCOMPARE(index.cardCount(), cards - cards / 4);
        // One "Изделие" a purchase: even cards now hold one purchase, the odd ones left eight.
        QCOMPARE(index.query("изделие").total, 1500 * 1 + 750 * 8);
        QCOMPARE(index.query("фамилия").total, 1500 * 2 + 750 * 16);
        QCOMPARE(index.query("sn2998").total, 1);
        QCOMPARE(index.query("sn2999").total, 8);
        QCOMPARE(index.query("sn2997").total, 0);
        SearchHit hit;
        QVERIFY(index.findSerial("p 2999 7", &hit));
        QCOMPARE(hit.fileName, QStringLiteral("2999.dat"));
        QCOMPARE(hit.purchase, 7);
        QCOMPARE(hit.item, 1);
    }

    void joinedIndexesAreOneIndex()
    {
        SearchIndex first, second, whole;
        for (int n = 0; n < 400; ++n) {
            (n < 150 ? first : second).addCard(QString::number(n) + ".dat", generatedCard(n, n % 4));
            whole.addCard(QString::number(n) + ".dat", generatedCard(n, n % 4));
        }
        first.append(std::move(second));
        QCOMPARE(first.cardCount(), 400);
        for (const char *q : {"фамилия", "sn3", "товар2 пульт", "8900399"}) {
            const SearchResult a = first.query(q, 10000), b = whole.query(q, 10000);
            QCOMPARE(a.total, b.total);
            for (qsizetype i = 0; i < a.hits.size(); ++i)
                QVERIFY(a.hits[i].fileName == b.hits[i].fileName &&
                        a.hits[i].purchase == b.hits[i].purchase && a.hits[i].item == b.hits[i].item);
        }
        // Cards taken over can be written again and removed like any other.
        first.addCard("399.dat", generatedCard(1399, 0));
        first.removeFile("200.dat");
        QCOMPARE(first.query("фамилия1399").total, 1);
        QCOMPARE(first.query("фамилия399").total, 0);
        QCOMPARE(first.query("фамилия200").total, 0);
        QCOMPARE(first.cardCount(), 399);
    }

    void replacingAndRemovingCards()
    {
        SearchIndex index = sampleIndex();
        index.setEntry(
            SearchIndex::makeEntry("00000002.dat", crlf({"Сидоров", "С", "", "", "", "1", " 0 ", "1980"})));
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

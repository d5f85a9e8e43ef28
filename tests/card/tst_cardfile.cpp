#include "CardFile.h"
#include "Cp1251.h"
#include "NumberForm.h"
#include "TestFiles.h"

#include <QTest>

using testfiles::crlf;

class TestCardFile : public QObject {
    Q_OBJECT

private:
    static Card exampleCard()
    {
        Card c;
        c.header = {QStringLiteral("Иванов"),
                    QStringLiteral("Иван"),
                    QStringLiteral("Иванович"),
                    QStringLiteral("123"),
                    QString(),
                    QStringLiteral("5"),
                    2,
                    QStringLiteral("1970")};
        TovarCls p;
        p.Day = QStringLiteral("12");
        p.Mesac = 0;
        p.God = QStringLiteral("2005");
        p.Tovar = QStringLiteral("Телевизор");
        p.Summa = QStringLiteral("1500");
        p.NewIzdelie(QStringLiteral("Пульт"));
        p.NewIzdelie(QStringLiteral("ABC123"));
        c.pokupki.append(p);
        return c;
    }

private slots:
    void exampleIsWrittenByteForByte()
    {
        const QByteArray expected = crlf({"Иванов", "Иван", "Иванович", "123", "", "5", " 2 ", "1970", "12",
                                          " 0 ", "2005", "Телевизор", "1500", " 2 ", "Пульт", "ABC123"});
        QCOMPARE(cardfile::serialize(exampleCard()), expected);
        QCOMPARE(cardfile::parse(expected), exampleCard());
        QCOMPARE(expected.count("\r\n"), 16);
    }

    void cardWithoutPurchasesIsEightLines()
    {
        Card c;
        c.header.familiya = QStringLiteral("Петров");
        const QByteArray bytes = cardfile::serialize(c);
        QCOMPARE(bytes.count("\r\n"), 8);
        QVERIFY(bytes.contains("\r\n-1 \r\n")); // no month selected
        const Card back = cardfile::parse(bytes);
        QCOMPARE(back.header.mesacRozhd, -1);
        QVERIFY(back.pokupki.isEmpty());
    }

    void purchaseWithoutItemsAndOddCounts()
    {
        Card c = exampleCard();
        TovarCls empty;
        empty.Day = QStringLiteral("1");
        empty.Tovar = QStringLiteral("Утюг");
        empty.Summa = QStringLiteral("10");
        c.pokupki.prepend(empty);
        TovarCls odd;
        odd.Summa = QStringLiteral("0");
        odd.NewIzdelie(QStringLiteral("Кабель"));
        odd.NewIzdelie(QStringLiteral("SN1"));
        odd.NewIzdelie(QStringLiteral("без пары"));
        c.pokupki.append(odd);
        const QByteArray bytes = cardfile::serialize(c);
        QVERIFY(bytes.contains(cp1251::encode(QStringLiteral("Утюг\r\n10\r\n 0 \r\n12\r\n"))));
        QVERIFY(bytes.contains(cp1251::encode(QStringLiteral(" 3 \r\nКабель\r\nSN1\r\nбез пары\r\n"))));
        QCOMPARE(cardfile::parse(bytes), c);
    }

    void everyByteOfATextLineSurvives()
    {
        QByteArray line;
        for (int b = 0; b < 256; ++b)
            if (b != '\r' && b != '\n')
                line.append(char(b));
        const QByteArray file =
            line + "\r\n" + line + "\r\n" + line + "\r\n\r\n\r\n\r\n 0 \r\n" + line + "\r\n";
        const Card c = cardfile::parse(file);
        QCOMPARE(c.header.familiya.size(), 254);
        QCOMPARE(cardfile::serialize(c), file);
    }

    void lineEndsAndShortFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("imya");
        QTest::addColumn<int>("purchases");
        QTest::newRow("empty") << QByteArray() << QString() << 0;
        QTest::newRow("one CR") << QByteArray("\r") << QString() << 0;
        QTest::newRow("CR only") << QByteArray("A\rB\rC\r1\r2\r3\r 4 \r1980\r") << QStringLiteral("B") << 0;
        QTest::newRow("LF only") << QByteArray("A\nB\nC\n1\n2\n3\n 4 \n1980\n7\n") << QStringLiteral("B")
                                 << 1;
        QTest::newRow("cut header") << QByteArray("A\r\nB") << QStringLiteral("B") << 0;
        QTest::newRow("NUL bytes") << QByteArray("A\0\r\nB\0B\r\n", 9) << QString::fromUtf8("B\0B", 3) << 0;
        QTest::newRow("huge item count")
            << QByteArray("A\r\nB\r\nC\r\n\r\n\r\n\r\n 1 \r\n19\r\n1\r\n 0 \r\n2000\r\n"
                          "T\r\n5\r\n 2000000000 \r\nx\r\n")
            << QStringLiteral("B") << 1;
        QTest::newRow("negative count")
            << QByteArray("A\r\nB\r\nC\r\n\r\n\r\n\r\n 1 \r\n19\r\n1\r\n 0 \r\n2000\r\n"
                          "T\r\n5\r\n-5 \r\n2\r\n")
            << QStringLiteral("B") << 2;
    }

    void lineEndsAndShortFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, imya);
        QFETCH(int, purchases);
        const Card c = cardfile::parse(bytes);
        QCOMPARE(c.header.imya, imya);
        QCOMPARE(c.pokupki.size(), purchases);
        // Whatever was read writes back to a card that reads the same.
        QCOMPARE(cardfile::parse(cardfile::serialize(c)), c);
    }

    void cutPurchaseIsStillCreated()
    {
        const Card c = cardfile::parse(crlf({"A", "B", "C", "", "", "1", " 0 ", "1990", "7", " 3 ", "2020"}));
        QCOMPARE(c.pokupki.size(), 1);
        QCOMPARE(c.pokupki[0].Mesac, 3);
        QCOMPARE(c.pokupki[0].Tovar, QString());
        QCOMPARE(c.pokupki[0].Summa, QStringLiteral("0"));
        QCOMPARE(c.pokupki[0].ListCount(), 0);
    }

    void monthOutOfRangeIsKept()
    {
        const Card c = cardfile::parse(
            crlf({"A", "B", "C", "", "", "1", " 40 ", "1990", "7", " 15 ", "2020", "T", "1", " 0 "}));
        QCOMPARE(c.header.mesacRozhd, 40);
        QCOMPARE(c.pokupki[0].Mesac, 15);
    }

    void firstLinesStopAtFive()
    {
        const QStringList l =
            cardfile::firstLines(crlf({"Петров, Иван", "\"Ромашка\"", "x ", "1", "2", "3"}), 5);
        QCOMPARE(l, (QStringList{"Петров, Иван", "\"Ромашка\"", "x ", "1", "2"}));
        QCOMPARE(cardfile::firstLines("A", 5), (QStringList{"A", "", "", "", ""}));
    }
};

QTEST_GUILESS_MAIN(TestCardFile)
#include "tst_cardfile.moc"

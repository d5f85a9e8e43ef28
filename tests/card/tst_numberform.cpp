#include "DataFolder.h"
#include "FileError.h"
#include "NumberForm.h"

#include <QTest>

using namespace numform;

class TestNumberForm : public QObject {
    Q_OBJECT

private slots:
    void numberTexts()
    {
        QCOMPARE(numText(0), QStringLiteral(" 0"));
        QCOMPARE(numText(12), QStringLiteral(" 12"));
        QCOMPARE(numLine(2), QStringLiteral(" 2 "));
        QCOMPARE(numLine(-1), QStringLiteral("-1 "));
    }

    void integerLines()
    {
        QCOMPARE(parseIntLine(u" 2 "), 2);
        QCOMPARE(parseIntLine(u"-1 "), -1);
        QCOMPARE(parseIntLine(u""), 0);
        QCOMPARE(parseIntLine(u"abc"), 0);
        QCOMPARE(parseIntLine(u" 99999999999 "), 0);
        QCOMPARE(parseIntLine(u" 2000000000 "), 2000000000);
    }

    void lenientRoundedNumbers()
    {
        QCOMPARE(parseRoundedNumber(u" 3 "), 3);
        QCOMPARE(parseRoundedNumber(u"  7abc"), 7);
        QCOMPARE(parseRoundedNumber(u"2.5"), 2); // half to even
        QCOMPARE(parseRoundedNumber(u"3.5"), 4);
        QCOMPARE(parseRoundedNumber(u"x"), 0);
        QCOMPARE(parseRoundedNumber(u"-1"), -1);
        QCOMPARE(parseRoundedNumber(u"99999999999999999999"), 0);
    }

    void sums_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("stored");
        QTest::newRow("leading zero") << " 0150"
                                      << "150";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("comma") << "12,50"
                               << "12,5";
        QTest::newRow("point") << "12.50"
                               << "12.5";
        QTest::newRow("two commas") << "12,5,0"
                                    << "12,5";
        QTest::newRow("zero fraction") << "7,00"
                                       << "7";
        QTest::newRow("garbage") << "abc"
                                 << "0";
        QTest::newRow("long digits") << "123456789012345678901234567890"
                                     << "123456789012345678901234567890";
    }

    void sums()
    {
        QFETCH(QString, line);
        QFETCH(QString, stored);
        QCOMPARE(normaliseSumma(line), stored);
        QCOMPARE(normaliseSumma(stored), stored); // a stored sum reads back to itself
    }

    void dataFolder()
    {
        const auto rule = FolderSeparator::BackslashIfAny;
        QCOMPARE(bazaPathFor(QStringLiteral("C:\\Shop"), rule), QStringLiteral("C:\\Shop\\База\\"));
        QCOMPARE(bazaPathFor(QStringLiteral("D:\\"), rule), QStringLiteral("D:\\База\\"));
        QCOMPARE(bazaPathFor(QStringLiteral("/opt/shop"), rule), QStringLiteral("/opt/shop/База/"));
        QCOMPARE(bazaPathFor(QStringLiteral("/"), rule), QStringLiteral("/База/"));
        QCOMPARE(bazaPathFor(QStringLiteral("/odd\\name"), rule), QStringLiteral("/odd\\name\\База\\"));
        // Where only "/" separates folders, "shop\x" is one folder and the data folder lies in it.
        const auto slash = FolderSeparator::Slash;
        QCOMPARE(bazaPathFor(QStringLiteral("/srv/shop\\x"), slash), QStringLiteral("/srv/shop\\x/База/"));
        QCOMPARE(bazaPathFor(QStringLiteral("/"), slash), QStringLiteral("/База/"));
    }

    void fileMessages()
    {
        const QString name = QStringLiteral("00000001.dat");
        QCOMPARE(writeFailureMessage(name, FileError::AccessDenied),
                 QStringLiteral("Файл \"00000001.dat\" защищён от записи."));
        QCOMPARE(writeFailureMessage(name, FileError::NotFound),
                 QStringLiteral("Файл \"00000001.dat\" сохранить не возможно."));
        QCOMPARE(readFailureMessage(name, FileError::NotFound),
                 QStringLiteral("Файл \"00000001.dat\" не найден."));
        QCOMPARE(readFailureMessage(name, FileError::AccessDenied),
                 QStringLiteral("Файл \"00000001.dat\" открыть не возможно."));
    }
};

QTEST_GUILESS_MAIN(TestNumberForm)
#include "tst_numberform.moc"

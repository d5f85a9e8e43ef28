#include "GoodsCatalogue.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using testfiles::crlf;

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void readsSortedWithDuplicatesAndEmptyLines()
    {
        GoodsCatalogue c;
        c.loadBytes(crlf({"утюг", "Телевизор", "", "Антенна", "утюг", "Ёлка", "Елка"}));
        QCOMPARE(c.names(), (QStringList{"", "Антенна", "Елка", "Ёлка", "Телевизор", "утюг", "утюг"}));
        QCOMPARE(c.serialize(), crlf({"", "Антенна", "Елка", "Ёлка", "Телевизор", "утюг", "утюг"}));
    }

    void addingKeepsOrderAndCaseIsIgnored()
    {
        GoodsCatalogue c;
        c.loadBytes(crlf({"Антенна", "Утюг"}));
        QVERIFY(c.containsIgnoringCase("АНТЕННА"));
        QVERIFY(!c.containsIgnoringCase("Антенна "));
        QCOMPARE(c.add("пылесос"), 1);
        QCOMPARE(c.names(), (QStringList{"Антенна", "пылесос", "Утюг"}));
    }

    void missingFileGivesEmptyList()
    {
        GoodsCatalogue c;
        c.load(QStringLiteral("/nonexistent/Товары.txt"));
        QCOMPARE(c.count(), 0);
        c.loadBytes(QByteArray());
        QCOMPARE(c.count(), 0);
    }

    void savesOrRefusesReadOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromUtf8(kGoodsFileName));
        GoodsCatalogue c;
        c.add("Утюг");
        QCOMPARE(c.save(path), FileError::None);
        QCOMPARE(testfiles::readAll(path), crlf({"Утюг"}));
        ::chmod(QFile::encodeName(path).constData(), 0444);
        c.add("Антенна");
        QCOMPARE(c.save(path), FileError::AccessDenied);
        QCOMPARE(testfiles::readAll(path), crlf({"Утюг"}));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"

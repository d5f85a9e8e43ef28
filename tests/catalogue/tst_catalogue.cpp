#include "GoodsCatalogue.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using testfiles::crlf;

// A file whose reading fails after its first `limit` bytes, as on a bad disk.
class FailingFile final : public QBuffer {
public:
    qint64 limit = 0;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        return pos() < limit ? QBuffer::readData(data, std::min(max, limit - pos())) : -1;
    }
};

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
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QString::fromUtf8(kGoodsFileName)));
        c.load(dir.filePath(QString::fromUtf8(kGoodsFileName)));
        QCOMPARE(c.count(), 0);
        c.loadBytes(QByteArray());
        QCOMPARE(c.count(), 0);
    }

    // The lines of "Утюг", "Антенна", "Фен" end at bytes 6, 15 (its CR at 14) and 20.
    void readErrorKeepsTheWholeLinesBeforeIt_data()
    {
        QTest::addColumn<int>("failAt");
        QTest::newRow("after a line") << 15;
        QTest::newRow("in mid-line") << 17;
        QTest::newRow("between CR and LF") << 14;
    }

    void readErrorKeepsTheWholeLinesBeforeIt()
    {
        QFETCH(int, failAt);
        FailingFile file;
        file.setData(crlf({"Утюг", "Антенна", "Фен"}));
        file.limit = failAt;
        QVERIFY(file.open(QIODevice::ReadOnly));
        GoodsCatalogue c;
        c.load(file);
        QCOMPARE(c.names(), (QStringList{"Антенна", "Утюг"}));
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

#include "GoodsCatalogue.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

    void missingOrUnusableFileGivesEmptyList()
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
        // A pipe of that name is neither waited for nor written through.
        QVERIFY(QDir(dir.path()).rmdir(QString::fromUtf8(kGoodsFileName)));
        const QString pipe = dir.filePath(QString::fromUtf8(kGoodsFileName));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        ::alarm(10); // a wait ends the test
        c.load(pipe);
        c.add("Бра");
        QCOMPARE(c.save(pipe), FileError::Other);
        ::alarm(0);
        QCOMPARE(c.names(), QStringList{"Бра"});
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

    // The catalogue read "Утюг" and "Фен" at start-up; the file may have changed since.
    void savingMergesTheFileWithThisRunsNames_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("another till's names kept, lost ones lost")
            << QStringList{"Бра"} << crlf({"Утюг", "Чайник"}) << crlf({"Бра", "Утюг", "Чайник"});
        QTest::newRow("one name of each letter case")
            << QStringList{"Бра", "фен", "ФЕН"} << crlf({"бра"}) << crlf({"бра", "фен"});
        QTest::newRow("file lines as they are")
            << QStringList{"Ваза"} << QByteArray("\xd4\xe5\xed\n\nfoo\rfoo")
            << crlf({"", "Ваза", "Фен", "foo", "foo"});
    }

    void savingMergesTheFileWithThisRunsNames()
    {
        QFETCH(QStringList, added);
        QFETCH(QByteArray, file);
        GoodsCatalogue c;
        c.loadBytes(crlf({"Утюг", "Фен"}));
        for (const QString &name : added)
            c.add(name);
        QTEST(c.mergedInto(file), "written");
    }

    // Two tills add their own names and leave at nearly the same moment, round after round.
    void twoTillsSavingAtOnceLoseNoName()
    {
        const quint64 seed =
            qEnvironmentVariable("TARVESKO_SEED", QString::number(std::random_device{}())).toULongLong();
        qInfo("seed %llu (TARVESKO_SEED repeats it)", seed);
        std::mt19937_64 rng(seed);
        for (int round = 0; round < 40; ++round) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QString::fromUtf8(kGoodsFileName));
            QStringList expected{"Утюг", "Утюг"};
            QVERIFY(testfiles::writeAll(path, crlf(expected)));
            GoodsCatalogue atStartUp;
            atStartUp.load(path);
            for (const QString till : {"А", "Б"}) {
                GoodsCatalogue c = atStartUp;
                for (int i = int(rng() % 6); i >= 0; --i) {
                    expected << QStringLiteral("Товар %1 %2").arg(till).arg(i);
                    c.add(expected.last());
                }
                if (::fork() == 0) {
                    ::usleep(useconds_t(rng() % 2000)); // a moment of its own
                    ::_exit(int(c.save(path)));
                }
            }
            for (int status = 0; ::wait(&status) > 0;)
                QCOMPARE(status, 0);
            GoodsCatalogue after, wanted;
            after.load(path);
            wanted.loadBytes(crlf(expected));
            QCOMPARE(after.names(), wanted.names()); // no name lost, none twice
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"

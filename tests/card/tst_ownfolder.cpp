#include "OwnFolder.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TestOwnFolder : public QObject {
    Q_OBJECT

private slots:
    // What has the name "x": a link to a folder outside (holding a file) is removed as a name and
    // never opened; nested folders go whole, a link inside them as a name.
    void openAndRemoveNeverFollowALink_data()
    {
        QTest::addColumn<QStringList>("made"); // "name/": a folder, "name>": a link outside, else a file
        QTest::addColumn<int>("openErrno");    // of opening "x" without making it; 0: it opens
        QTest::newRow("link to a folder outside") << QStringList{"x>"} << ENOTDIR;
        QTest::newRow("nested folders") << QStringList{"x/", "x/a/", "x/a/b/", "x/a/b/c", "x/a/l>"} << 0;
        QTest::newRow("a file") << QStringList{"x"} << ENOTDIR;
        QTest::newRow("nothing") << QStringList{} << ENOENT;
    }

    void openAndRemoveNeverFollowALink()
    {
        QFETCH(QStringList, made);
        QFETCH(int, openErrno);
        QTemporaryDir dir;
        const QString outside = dir.filePath(QStringLiteral("outside"));
        const QString base = dir.filePath(QStringLiteral("base/"));
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(base) && testfiles::writeAll(outside + "/keep", "k"));
        for (const QString &m : made)
            QVERIFY(m.endsWith('/')   ? QDir().mkdir(base + m)
                    : m.endsWith('>') ? QFile::link(outside, base + m.chopped(1))
                                      : testfiles::writeAll(base + m, "x"));
        const UniqueFd parent = ownfolder::openPath(base);
        errno = 0;
        QCOMPARE(ownfolder::open(parent.get(), "x", false).isOpen(), openErrno == 0);
        QCOMPARE(errno, openErrno);
        QVERIFY(ownfolder::remove(parent.get(), "x"));
        QVERIFY(QDir(base).isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot));
        QCOMPARE(testfiles::readAll(outside + "/keep"), QByteArray("k"));
        QVERIFY(ownfolder::open(parent.get(), "x", true).isOpen()); // made afresh
    }
};

QTEST_GUILESS_MAIN(TestOwnFolder)
#include "tst_ownfolder.moc"

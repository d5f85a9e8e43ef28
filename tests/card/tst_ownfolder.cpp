#include "OwnFolder.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using testfiles::writeAll;

class TestOwnFolder : public QObject {
    Q_OBJECT

private slots:
    // What has the name "x" in the folder: a link to a folder outside, with a file in it, is removed
    // as a name and never opened; nested folders go whole, a link inside them as a name.
    void openAndRemoveNeverFollowALink_data()
    {
        QTest::addColumn<QStringList>("made"); // below the folder: "name/" a folder, "name>" a link outside
        QTest::addColumn<int>("openErrno");    // of opening "x" without creating it; 0: it opens
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
        const QString base = dir.filePath(QStringLiteral("base"));
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(base) && writeAll(outside + "/keep", "keep"));
        for (const QString &m : made) {
            const QString at = base + '/' + m.chopped(m.endsWith('/') || m.endsWith('>') ? 1 : 0);
            QVERIFY(m.endsWith('/')   ? QDir().mkdir(at)
                    : m.endsWith('>') ? QFile::link(outside, at)
                                      : writeAll(at, "x"));
        }
        const UniqueFd parent = ownfolder::openPath(base);
        QVERIFY(parent.isOpen());
        errno = 0;
        QCOMPARE(ownfolder::open(parent.get(), "x", false).isOpen(), openErrno == 0);
        if (openErrno != 0)
            QCOMPARE(errno, openErrno);
        QVERIFY(ownfolder::remove(parent.get(), "x"));
        QCOMPARE(QDir(base).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList{});
        QCOMPARE(testfiles::readAll(outside + "/keep"), QByteArray("keep"));

        // Made afresh, writable by the group where the folder above is.
        QVERIFY(::chmod(QFile::encodeName(base).constData(), 0775) == 0);
        QVERIFY(ownfolder::open(parent.get(), "x", true).isOpen());
        QVERIFY(QFileInfo(base + "/x").permissions() & QFile::WriteGroup);
    }
};

QTEST_GUILESS_MAIN(TestOwnFolder)
#include "tst_ownfolder.moc"

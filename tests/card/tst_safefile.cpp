#include "SafeFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testfiles::readAll;
using testfiles::writeAll;

namespace {

// Runs `op` in a child process whose files may not grow past `limit` bytes, so that writes come
// out short even for root. Returns the FileError the child got.
template <typename Op> FileError underFileSizeLimit(rlim_t limit, Op op)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        ::_exit(int(op()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? FileError(WEXITSTATUS(status)) : FileError::None;
}

// Runs `op` as "nobody" in a child process when the tests run as root (root may write anything),
// otherwise right here. Returns the FileError it got, or 99 when the child could not become nobody.
template <typename Op> int asAnotherUser(Op op)
{
    if (::geteuid() != 0)
        return int(op());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool nobody = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(nobody ? int(op()) : 99);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QStringList leftovers() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void replaceWritesAndKeepsMode()
    {
        const QString p = path("a.dat");
        QCOMPARE(safefile::replaceFile(p, "new\r\n"), FileError::None);
        QCOMPARE(readAll(p), QByteArray("new\r\n"));
        ::chmod(QFile::encodeName(p).constData(), 0640);
        QCOMPARE(safefile::replaceFile(p, "second\r\n"), FileError::None);
        QCOMPARE(readAll(p), QByteArray("second\r\n"));
        QCOMPARE(modeOf(p), mode_t(0640));
        QCOMPARE(leftovers(), QStringList{"a.dat"});
        QFile::remove(p);
    }

    void readOnlyFileIsRefusedEvenForRoot()
    {
        const QString p = path("ro.dat");
        QVERIFY(writeAll(p, "old\r\n"));
        ::chmod(QFile::encodeName(p).constData(), 0444);
        QCOMPARE(safefile::replaceFile(p, "new\r\n"), FileError::AccessDenied);
        QCOMPARE(safefile::appendToFile(p, "more\r\n"), FileError::AccessDenied);
        QCOMPARE(readAll(p), QByteArray("old\r\n"));
        ::chmod(QFile::encodeName(p).constData(), 0644);
        QFile::remove(p);
    }

    // Root's files written by another user. The card is judged for itself: its folder would let a
    // new file be renamed over it.
    void filesOfAnotherUserAreProtected_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("cardMode"); // -1: a new card is written
        QTest::addColumn<FileError>("expected");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("folder") << 0755 << -1 << FileError::AccessDenied << QByteArray("<missing>");
        QTest::newRow("card") << 0777 << 0644 << FileError::AccessDenied << QByteArray("old\r\n");
        QTest::newRow("writable card") << 0777 << 0666 << FileError::None << QByteArray("new\r\n+\r\n");
    }

    void filesOfAnotherUserAreProtected()
    {
        QFETCH(int, folderMode);
        QFETCH(int, cardMode);
        QFETCH(FileError, expected);
        QFETCH(QByteArray, after);
        if (::geteuid() != 0 && expected != FileError::None)
            QSKIP("only root can make files of another user");
        QTemporaryDir folder(QStringLiteral("/tmp/tarvesko-XXXXXX")); // where "nobody" can reach it
        const QString card = folder.filePath(QStringLiteral("00000001.dat"));
        if (cardMode >= 0)
            QVERIFY(writeAll(card, "old\r\n") &&
                    ::chmod(QFile::encodeName(card).constData(), mode_t(cardMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), mode_t(folderMode)) == 0);

        QCOMPARE(asAnotherUser([&] { return safefile::replaceFile(card, "new\r\n"); }), int(expected));
        if (cardMode >= 0)
            QCOMPARE(asAnotherUser([&] { return safefile::appendToFile(card, "+\r\n"); }), int(expected));
        QCOMPARE(readAll(card), after);
    }

    void missingFolderCreatesNothing()
    {
        const QString p = m_dir.filePath(QStringLiteral("нет/00000001.dat"));
        QCOMPARE(safefile::replaceFile(p, "x"), FileError::NotFound);
        QVERIFY(!QFile::exists(p));
        QVERIFY(!QDir(m_dir.filePath(QStringLiteral("нет"))).exists());
    }

    void shortWriteLeavesOldFile()
    {
        const QString p = path("full.dat");
        const QByteArray old(100, 'o');
        QVERIFY(writeAll(p, old));
        const QByteArray big(64 * 1024, 'n');
        QCOMPARE(underFileSizeLimit(4096, [&] { return safefile::replaceFile(p, big); }), FileError::Other);
        QCOMPARE(readAll(p), old);
        QCOMPARE(leftovers(), QStringList{"full.dat"}); // no temporary file left behind
        QFile::remove(p);
    }

    void appendAddsOrCutsBack()
    {
        const QString p = path("app.dat");
        QVERIFY(writeAll(p, "head\r\n"));
        QCOMPARE(safefile::appendToFile(p, "block\r\n"), FileError::None);
        QCOMPARE(readAll(p), QByteArray("head\r\nblock\r\n"));
        // The block does not fit under the limit: the file keeps its old length.
        QCOMPARE(underFileSizeLimit(20, [&] { return safefile::appendToFile(p, QByteArray(100, 'b')); }),
                 FileError::Other);
        QCOMPARE(readAll(p), QByteArray("head\r\nblock\r\n"));
        QFile::remove(p);
    }

    void appendNeverCreatesAFile()
    {
        const QString p = path("gone.dat");
        QCOMPARE(safefile::appendToFile(p, "x"), FileError::NotFound);
        QVERIFY(!QFile::exists(p));
    }

    void linksAreNotWrittenThrough()
    {
        const QString target = path("target.txt");
        QVERIFY(writeAll(target, "keep"));
        const QString link = path("link.dat");
        QVERIFY(QFile::link(target, link));
        QCOMPARE(safefile::replaceFile(link, "x"), FileError::Other);
        QCOMPARE(safefile::appendToFile(link, "x"), FileError::Other);
        QCOMPARE(readAll(target), QByteArray("keep"));
        QFile::remove(link);
        QFile::remove(target);
    }

    void readsWholeOrHead()
    {
        const QString p = path("r.dat");
        QVERIFY(writeAll(p, "0123456789"));
        QByteArray out;
        QCOMPARE(safefile::readFile(p, out), FileError::None);
        QCOMPARE(out, QByteArray("0123456789"));
        QCOMPARE(safefile::readFile(p, out, 4), FileError::None);
        QCOMPARE(out, QByteArray("0123"));
        QCOMPARE(safefile::readFile(path("none.dat"), out), FileError::NotFound);
        QFile::remove(p);

        // A file whose size the system does not tell (0) is read to its end all the same.
        QFile proc(QStringLiteral("/proc/self/cmdline"));
        QVERIFY(proc.open(QIODevice::ReadOnly));
        const QByteArray cmdline = proc.readAll();
        QCOMPARE(safefile::readFile(proc.fileName(), out), FileError::None);
        QCOMPARE(out, cmdline);
        QCOMPARE(safefile::readFile(proc.fileName(), out, 3), FileError::None);
        QCOMPARE(out, cmdline.first(3));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"

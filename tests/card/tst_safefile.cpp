#include "FileLock.h"
#include "SafeFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
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

// The bytes this process has read from files so far, as the system counts them.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    const QByteArray text = io.open(QIODevice::ReadOnly) ? io.readAll() : QByteArray();
    const qsizetype at = text.indexOf("rchar: ");
    return at < 0 ? -1 : text.mid(at + 7, text.indexOf('\n', at) - at - 7).toLongLong();
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
    // The cards and temporary files of the test folder.
    QStringList leftovers() const
    {
        return QDir(m_dir.path())
            .entryList({QStringLiteral("*.dat"), QStringLiteral(".~*")}, QDir::Files | QDir::Hidden);
    }

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

    // A file past the bound is refused by every read and rewrite without being read. (Pipes and
    // links in place of a card: tst_hostilefolder.)
    void fileOverTheBoundIsRefusedUnread()
    {
        const QString p = path("huge.dat");
        QVERIFY(writeAll(p, "card\r\n") &&
                ::truncate(QFile::encodeName(p).constData(), safefile::kMaxFileBytes + 1) == 0);
        const qint64 before = bytesRead();
        QByteArray out;
        QCOMPARE(safefile::readFile(p, out), FileError::Other);
        QCOMPARE(safefile::appendToFile(p, "x"), FileError::Other);
        QVERIFY(before >= 0 && bytesRead() - before < 64 * 1024);
        QFile::remove(p);
    }

    // rewriteLocked shows `decide` the file as it is now, nullptr when it is missing, and nothing
    // while another till holds it. A name of 255 bytes is written like any other; a new file is the
    // group's to write where the folder is.
    void rewriteSeesTheFileAsItIs()
    {
        QTemporaryDir dir;
        ::umask(022);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0770) == 0);
        const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".dat");
        const QString p = dir.filePath(name);
        QList<QByteArray> seen;
        const auto decide = [&seen](const QByteArray *current) {
            seen.append(current ? *current : QByteArray("<missing>"));
            return current ? safefile::Rewrite::refusing(FileError::NotFound)
                           : safefile::Rewrite::writing("new\r\n");
        };
        QCOMPARE(safefile::rewriteLocked(p, decide), FileError::None);
        QCOMPARE(safefile::rewriteLocked(p, decide), FileError::NotFound);
        QCOMPARE(modeOf(p), mode_t(0664));
        QCOMPARE(safefile::appendToFile(p, "+\r\n"), FileError::None);
        const auto held = FileLock::acquire(lockFileOf(dir.path() + '/'), FileLock::slotFor(name));
        QCOMPARE(safefile::rewriteLocked(p, decide), FileError::Busy);
        QCOMPARE(seen, (QList<QByteArray>{"<missing>", "new\r\n"}));
        QCOMPARE(readAll(p), QByteArray("new\r\n+\r\n"));
    }

    // The temporary file of a killed write goes; one another till is writing stays, as do cards.
    void leftoversGoWritesUnderWayStay()
    {
        QTemporaryDir dir;
        const QStringList files{".~killed00", ".~writing0", "00000001.dat"};
        for (const QString &name : files)
            QVERIFY(writeAll(dir.filePath(name), "x"));
        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t writer = ::fork();
        if (writer == 0) {
            const UniqueFd fd(::open(QFile::encodeName(dir.filePath(files[1])).constData(), O_WRONLY));
            if (FileLock::tryWholeFile(fd.get()) && ::write(ready[1], "+", 1) == 1)
                ::pause();
            ::_exit(1);
        }
        ::close(ready[1]);
        char locked = 0;
        const bool writing = ::read(ready[0], &locked, 1) == 1 && ::close(ready[0]) == 0;
        const int removed = safefile::removeLeftovers(dir.path());
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        QVERIFY(writing);
        QCOMPARE(removed, 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), files.mid(1));
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

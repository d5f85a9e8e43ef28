// A data folder with things in it that the program did not put there: subfolders and links named
// "*.dat" (to a file outside the folder, to nothing, to a folder, to /dev/zero), hidden files, a
// file nobody may read, a pipe, names with blanks and Cyrillic letters, an upper-case ".DAT", an
// empty file, a 5 MB file of one line, cards with very long lines. The scan lists ordinary files
// only and never follows a link; nothing crashes or hangs; nothing outside the folder is read or
// written.
#include "BazaScan.h"
#include "CardFile.h"
#include "CardHistory.h"
#include "ReliabilityFiles.h"
#include "SafeFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using reliability::difference;
using reliability::Snapshot;
using reliability::snapshot;
using testfiles::crlf;
using testfiles::writeAll;

namespace {

QByteArray cardBytes(const QString &familiya, const QString &tel)
{
    return crlf({familiya, "Иван", "Иванович", tel, "", "5", " 2 ", "1970"});
}

bool isOrdinaryFile(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// Runs `op` in a child process that may take at most `seconds`: its FileError, or -1 when it hung
// or crashed.
template <typename Op> int inChild(int seconds, Op op)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(unsigned(seconds));
        ::_exit(int(op()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestHostileFolder : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_baza;
    QString m_outside;
    Snapshot m_outsideBefore;

    QString baza(const char *name) const { return m_baza + QString::fromUtf8(name); }
    bool link(const QString &target, const char *name) const
    {
        return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(baza(name)).constData()) ==
               0;
    }

    // The names the scan must list, in its order.
    static QStringList ordinaryCards()
    {
        return {"00000001.dat", "00000002.dat",   "UPPER.DAT",       "big.dat",
                "locked.dat",   "with space.dat", "Иванов копия.dat"};
    }

    // Entries named like cards that are not ordinary files.
    static QStringList hostileEntries()
    {
        return {"link-out.dat",  "link-dangling.dat", "link-dir.dat", "link-in.dat",
                "link-zero.dat", "folder.dat",        "pipe.dat"};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_baza = m_root.filePath(QStringLiteral("База/"));
        m_outside = m_root.filePath(QStringLiteral("outside/"));
        QVERIFY(QDir().mkpath(m_baza));
        QVERIFY(QDir().mkpath(m_outside + QStringLiteral("folder")));
        QVERIFY(writeAll(m_outside + QStringLiteral("secret.dat"), cardBytes("Чужой", "000")));

        QVERIFY(writeAll(baza("00000001.dat"), cardBytes("Иванов", "111")));
        QVERIFY(writeAll(baza("00000002.dat"), QByteArray()));
        QVERIFY(writeAll(baza("UPPER.DAT"), cardBytes("Петров", "222")));
        QVERIFY(writeAll(baza("big.dat"), QByteArray(5 * 1024 * 1024, 'x')));
        QVERIFY(writeAll(baza("locked.dat"), cardBytes("Сидоров", "333")));
        QVERIFY(::chmod(QFile::encodeName(baza("locked.dat")).constData(), 0) == 0);
        QVERIFY(writeAll(baza("with space.dat"), cardBytes("Смирнов", "444")));
        QVERIFY(writeAll(baza("Иванов копия.dat"), cardBytes("Иванов", "111")));

        QVERIFY(link(m_outside + QStringLiteral("secret.dat"), "link-out.dat"));
        QVERIFY(link(m_outside + QStringLiteral("missing.dat"), "link-dangling.dat"));
        QVERIFY(link(m_outside + QStringLiteral("folder"), "link-dir.dat"));
        QVERIFY(link(QStringLiteral("00000001.dat"), "link-in.dat"));
        QVERIFY(link(QStringLiteral("/dev/zero"), "link-zero.dat"));
        QVERIFY(QDir().mkpath(baza("folder.dat")));
        QVERIFY(writeAll(baza("folder.dat/inner.dat"), cardBytes("Вложенный", "555")));
        QVERIFY(::mkfifo(QFile::encodeName(baza("pipe.dat")).constData(), 0644) == 0);
        QVERIFY(writeAll(baza(".hidden.dat"), cardBytes("Скрытый", "666")));
        for (const char *other : {"notes.txt", "copy.dat.bak", "dat", ".dat", "trailing.dat "})
            QVERIFY(writeAll(baza(other), cardBytes("Лишний", "777")));

        m_outsideBefore = snapshot(m_outside);
    }

    void cleanupTestCase()
    {
        ::chmod(QFile::encodeName(baza("locked.dat")).constData(), 0644);
        QCOMPARE(difference(m_outsideBefore, snapshot(m_outside)), QString());
    }

    void listsOrdinaryFilesOnly()
    {
        QCOMPARE(bazascan::listCardFiles(m_baza), ordinaryCards());
        // A missing folder lists nothing.
        QCOMPARE(bazascan::listCardFiles(m_root.filePath(QStringLiteral("nothing/"))), QStringList());
    }

    void scanReadsEveryCardAndNothingElse()
    {
        QVERIFY2(inChild(60, [&] { return bazascan::scan(m_baza).size(); }) >= 0, "the scan hung or crashed");
        const QList<KlientRec> recs = bazascan::scan(m_baza);
        QCOMPARE(recs.size(), ordinaryCards().size());
        for (int i = 0; i < recs.size(); ++i) {
            QCOMPARE(recs[i].FileName, ordinaryCards()[i]);
            QVERIFY2(isOrdinaryFile(m_baza + recs[i].FileName), qPrintable(recs[i].FileName));
            QVERIFY(!recs[i].FIO.contains(QStringLiteral("Чужой")));
            QVERIFY(!recs[i].FIO.contains(QStringLiteral("Вложенный")));
            QVERIFY(!recs[i].FIO.contains(QStringLiteral("Скрытый")));
        }
        QCOMPARE(recs[0].FIO, QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(recs[1].FIO, QStringLiteral("  ")); // the empty file: empty parts, both blanks
        QCOMPARE(recs[2].Telephon1, QStringLiteral("222"));
        QCOMPARE(recs[3].Familiya.size(), 5 * 1024 * 1024); // one line of 5 MB, nothing after it
        QCOMPARE(recs[3].Telephon1, QString());
        QCOMPARE(recs[4].FileName, QStringLiteral("locked.dat")); // listed, read or not
        QCOMPARE(recs[6].FIO, QStringLiteral("Иванов Иван Иванович"));
        QCOMPARE(recs[6].Telephon1, QStringLiteral("111"));
    }

    // Reading or writing an entry that is not an ordinary file fails at once and leaves the entry
    // and everything outside the folder as they were: no read or write goes through a link, none
    // creates a link's target.
    void noWriteThroughAnythingButAFile()
    {
        const Snapshot before = snapshot(m_baza);
        const QByteArray card = cardBytes("Новый", "888");
        for (const QString &name : hostileEntries()) {
            const QString path = m_baza + name;
            QVERIFY2(safefile::replaceFile(path, card) != FileError::None, qPrintable(name));
            const int appended = inChild(5, [&] { return safefile::appendToFile(path, card); });
            QVERIFY2(appended != -1, qPrintable(name + QStringLiteral(": appending hung")));
            QVERIFY2(appended != int(FileError::None),
                     qPrintable(name + QStringLiteral(": appending succeeded")));
            QByteArray bytes;
            QVERIFY2(inChild(5, [&] { return safefile::readFile(path, bytes); }) == int(FileError::Other),
                     qPrintable(name + QStringLiteral(": reading did not fail at once")));
        }
        QCOMPARE(difference(before, snapshot(m_baza)), QString());
        QCOMPARE(difference(m_outsideBefore, snapshot(m_outside)), QString());
        QVERIFY(!QFile::exists(m_outside + QStringLiteral("missing.dat")));
    }

    // A card replaced by a link or a pipe after the scan: reading it again (the folder watcher's
    // refresh, the search) fails at once and shows nothing of what the link leads to.
    void cardReadsNeverFollowALink()
    {
        for (const QString &name : hostileEntries()) {
            QVERIFY2(inChild(5, [&] { return bazascan::readRecord(m_baza, name).FIO.size(); }) >= 0,
                     qPrintable(name + QStringLiteral(": reading hung or crashed")));
            QCOMPARE(bazascan::readRecord(m_baza, name).FIO, QStringLiteral("  "));
        }
        QStringList read;
        QVERIFY(bazascan::forEachCard(m_baza, 2, [&](int, const QString &name, QByteArrayView bytes) {
            if (bytes.toByteArray().contains(cardBytes("Чужой", "000")))
                read << name;
            return true;
        }));
        QCOMPARE(read, QStringList());
    }

    // The history folder replaced by a link to a folder outside, or by a file: keeping a version
    // is refused as planted, and nothing is read, written or removed through it.
    void plantedHistoryFolderIsNeverEntered_data()
    {
        QTest::addColumn<bool>("asLink");
        QTest::newRow("link to a folder outside") << true;
        QTest::newRow("a file") << false;
    }

    void plantedHistoryFolderIsNeverEntered()
    {
        QFETCH(bool, asLink);
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("База/"));
        const QString outside = dir.filePath(QStringLiteral("outside/"));
        QVERIFY(QDir().mkpath(base) && QDir().mkpath(outside));
        QVERIFY(
            writeAll(outside + QStringLiteral("00000001.dat.v"), CardHistory::serialize({{{}, "old", 0}})));
        QVERIFY(writeAll(outside + QStringLiteral(".~abcdefgh"), "leftover?"));
        const QByteArray history = QFile::encodeName(base + QStringLiteral(".history"));
        QVERIFY(asLink ? ::symlink(QFile::encodeName(outside).constData(), history.constData()) == 0
                       : writeAll(base + QStringLiteral(".history"), "x"));
        const Snapshot before = snapshot(outside);

        const CardHistory h(base);
        QCOMPARE(h.keep(QStringLiteral("00000001.dat"), cardBytes("Иванов", "1"), 0), FileError::Planted);
        QVERIFY(h.versions(QStringLiteral("00000001.dat")).isEmpty());
        QCOMPARE(h.removeLeftovers(), 0);
        QCOMPARE(difference(before, snapshot(outside)), QString());
        QVERIFY(!QFile::exists(outside + QStringLiteral(".tarvesko.lock")));
    }

    // A history grown past what is read (by another hand) does not block its card: the next
    // version is kept and the file pruned back.
    void oversizedHistoryIsPrunedAtTheNextWrite()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("База/"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(QDir().mkpath(base + QStringLiteral(".history")));
        QVERIFY(writeAll(base + QStringLiteral(".history/00000001.dat.v"),
                         CardHistory::serialize({{now, "old", 1}}) +
                             QByteArray(safefile::kMaxFileBytes + 1, 'x')));
        const CardHistory h(base);
        QCOMPARE(h.keep(QStringLiteral("00000001.dat"), "newer", 2, now), FileError::None);
        const QList<CardVersion> versions = h.versions(QStringLiteral("00000001.dat"));
        QCOMPARE(versions.size(), 2);
        QCOMPARE(versions.last().bytes, QByteArray("newer"));
    }

    // "База" in the group's working folder replaced by a link of a member's to a folder outside:
    // nothing is listed, read or written there. A link of the folder's owner (as an installed
    // program's of root's) is followed.
    void baseLinkedByAMemberIsNotFollowed_data()
    {
        QTest::addColumn<uid_t>("linkOwner");
        QTest::addColumn<bool>("followed");
        QTest::newRow("the working folder's owner") << ::geteuid() << true;
        QTest::newRow("a member of the group") << uid_t(60001) << false;
    }

    void baseLinkedByAMemberIsNotFollowed()
    {
        QFETCH(uid_t, linkOwner);
        QFETCH(bool, followed);
        if (linkOwner != ::geteuid() && ::geteuid() != 0)
            QSKIP("needs root to give the link another owner");
        QTemporaryDir dir;
        const QString work = dir.filePath(QStringLiteral("work"));
        const QString outside = dir.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(work) && QDir().mkpath(outside) &&
                ::chmod(QFile::encodeName(work).constData(), 02775) == 0);
        QVERIFY(writeAll(outside + QStringLiteral("/00000001.dat"), cardBytes("Чужой", "000")));
        const QByteArray link = QFile::encodeName(work + QStringLiteral("/База"));
        QVERIFY(::symlink(QFile::encodeName(outside).constData(), link.constData()) == 0 &&
                ::lchown(link.constData(), linkOwner, gid_t(-1)) == 0);
        const Snapshot before = snapshot(outside);
        const QString base = work + QStringLiteral("/База/");

        QCOMPARE(bazascan::listCardFiles(base).size(), followed ? 1 : 0);
        QCOMPARE(bazascan::readRecord(base, QStringLiteral("00000001.dat")).Familiya,
                 followed ? QStringLiteral("Чужой") : QString());
        const FileError created = safefile::createNew(
            base, [](int k) { return QStringLiteral("%1.dat").arg(k + 2, 8, 10, QLatin1Char('0')); }, "x",
            nullptr);
        QCOMPARE(created == FileError::None, followed);
        if (!followed)
            QCOMPARE(difference(before, snapshot(outside)), QString());
    }

    void dataFolderThatIsAFile()
    {
        const QString fileBaza = m_root.filePath(QStringLiteral("Файл"));
        QVERIFY(writeAll(fileBaza, cardBytes("Иванов", "111")));
        QCOMPARE(bazascan::listCardFiles(fileBaza + QLatin1Char('/')), QStringList());
        QVERIFY(bazascan::scan(fileBaza + QLatin1Char('/')).isEmpty());
        QVERIFY(safefile::replaceFile(fileBaza + QStringLiteral("/00000001.dat"), "x\r\n") !=
                FileError::None);
        QVERIFY(safefile::appendToFile(fileBaza + QStringLiteral("/00000001.dat"), "x\r\n") !=
                FileError::None);
        QCOMPARE(testfiles::readAll(fileBaza), cardBytes("Иванов", "111"));
    }

    // The scan reads only the head of a card when the first five lines are in it; whatever the
    // lengths of the lines, the entry must show what opening the card shows.
    void longLinesScanAsTheCardReads()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        for (int len = 600; len <= 1100; len += 7) {
            const QString name = QStringLiteral("%1.dat").arg(len, 8, 10, QLatin1Char('0'));
            QVERIFY(writeAll(folder + name,
                             crlf({QString(len, QChar(0x424)), QString(len, QChar(0x418)),
                                   QString(len, QChar(0x41e)), "123-45", "678-90", "5", " 2 ", "1970"})));
        }
        for (const KlientRec &rec : bazascan::scan(folder)) {
            QByteArray bytes;
            QCOMPARE(safefile::readFile(folder + rec.FileName, bytes), FileError::None);
            const CardHeader h = cardfile::parse(bytes).header;
            const KlientRec opened =
                makeKlientRec(rec.FileName, h.familiya, h.imya, h.otchestvo, h.telDom, h.telRab);
            QVERIFY2(rec == opened, qPrintable(QStringLiteral("%1: the scan shows phones \"%2\" and \"%3\"")
                                                   .arg(rec.FileName, rec.Telephon1, rec.Telephon2)));
        }
    }
};

QTEST_GUILESS_MAIN(TestHostileFolder)
#include "tst_hostilefolder.moc"

// Two tills on one data folder, as two processes let go at the same moment: both append sales to
// one card, or both save new cards taking names from the same sequence. Every write must then be
// there whole, once, and no temporary file left. On the disk (beside the test program) and in
// memory (/dev/shm), and (when run as root) as two users of one group in a shared folder, as a
// shop sets it up: every file either till made must stay the other's to write. The seed sets the
// pauses between writes: TARVESKO_SEED=<n> repeats a run.
#include "CardFile.h"
#include "ReliabilityFiles.h"
#include "SafeFile.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <grp.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kCard = QStringLiteral("00000001.dat");

// The shop's group and its two users' ids: no names needed, root may take any ids.
constexpr gid_t kShop = 60000;
constexpr uid_t kTillUser = 60001;

// Write n of till t: a sale for the card or a new card, each told apart by its text.
QByteArray piece(bool appends, int till, int n)
{
    return appends ? cardfile::serializePurchase(reliability::purchase(1000 * till + n, 1 + n % 3))
                   : cardfile::serialize(
                         reliability::card(QStringLiteral("Касса %1 №%2").arg(till).arg(n), 1, 1));
}

// Till t's writes, once the parent closes the gate; exits with the number refused. Its new cards
// are numbered on from the last it made.
[[noreturn]] void till(int t, int gate, bool appends, int each, const QString &baza, quint64 seed,
                       bool ownUser)
{
    ::alarm(120); // a till still writing after two minutes has hung
    if (ownUser &&
        (::setgroups(1, &kShop) != 0 || ::setgid(kShop) != 0 || ::setuid(kTillUser + uid_t(t)) != 0))
        ::_exit(101);
    ::umask(022); // what a desktop session usually has: no group write unless the program sets it
    std::mt19937_64 rng(seed + quint64(t));
    char go;
    int refused = ::read(gate, &go, 1) == 0 ? 0 : each;
    for (int n = 0, next = 1; n < each; ++n) {
        QThread::usleep(rng() % 2 ? rng() % 1000 : 0); // back to back half of the time
        QString made;
        const auto nameFor = [next](int k) {
            return QStringLiteral("%1.dat").arg(next + k, 8, 10, QLatin1Char('0'));
        };
        refused +=
            (appends ? safefile::appendToFile(baza + kCard, piece(appends, t, n))
                     : safefile::createNew(baza, nameFor, piece(appends, t, n), &made)) != FileError::None;
        next = made.isEmpty() ? next : made.left(8).toInt() + 1;
    }
    ::_exit(std::min(refused, 100));
}

} // namespace

class TestTwoTills : public QObject {
    Q_OBJECT

private slots:
    void everyWriteOfTwoTillsStaysWhole_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("appends");
        QTest::addColumn<int>("each"); // writes per till
        QTest::addColumn<bool>("twoUsers");
        for (const QString &place : {QCoreApplication::applicationDirPath(), QStringLiteral("/dev/shm")}) {
            const char *where = place == QStringLiteral("/dev/shm") ? "memory" : "disk";
            QTest::addRow("sales, %s", where) << place << true << 200 << false;
            QTest::addRow("new cards, %s", where) << place << false << 300 << false;
        }
        QTest::addRow("sales, two users") << QStringLiteral("/tmp") << true << 100 << true;
        QTest::addRow("new cards, two users") << QStringLiteral("/tmp") << false << 100 << true;
    }

    void everyWriteOfTwoTillsStaysWhole()
    {
        QFETCH(QString, place);
        QFETCH(bool, appends);
        QFETCH(int, each);
        QFETCH(bool, twoUsers);
        if (twoUsers && ::geteuid() != 0)
            QSKIP("only root can run the tills as two users");
        QTemporaryDir root(place + QStringLiteral("/tarvesko-tills-XXXXXX"));
        if (!root.isValid())
            QSKIP(qPrintable(QStringLiteral("cannot make a folder in %1").arg(place)));
        const QString baza = root.path() + QLatin1Char('/');
        const QByteArray folder = QFile::encodeName(root.path());
        QVERIFY(!appends || testfiles::writeAll(baza + kCard, cardfile::serialize(reliability::card(
                                                                  QStringLiteral("Кузнецов"), 0, 0))));
        if (twoUsers) { // the shared folder, and a card the first till made
            QVERIFY(::chown(folder.constData(), 0, kShop) == 0 && ::chmod(folder.constData(), 02775) == 0);
            const QByteArray card = folder + "/" + QFile::encodeName(kCard);
            QVERIFY(!appends || (::chown(card.constData(), kTillUser, kShop) == 0 &&
                                 ::chmod(card.constData(), 0664) == 0));
        }
        const quint64 seed = qEnvironmentVariableIsSet("TARVESKO_SEED")
                                 ? qEnvironmentVariable("TARVESKO_SEED").toULongLong()
                                 : std::random_device{}();

        QElapsedTimer clock;
        clock.start();
        int gate[2];
        QVERIFY(::pipe2(gate, O_CLOEXEC) == 0);
        pid_t pids[2];
        for (int t = 0; t < 2; ++t) {
            if ((pids[t] = ::fork()) == 0 && ::close(gate[1]) == 0)
                till(t, gate[0], appends, each, baza, seed, twoUsers);
        }
        ::close(gate[1]);
        ::close(gate[0]);
        int refused = 0;
        for (const pid_t pid : pids) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) <= 100, "a till crashed or hung");
            refused += WEXITSTATUS(status);
        }
        const qint64 ms = clock.elapsed();

        QList<QByteArray> found; // sale by sale, or card by card
        if (appends) {
            for (const TovarCls &sale : cardfile::parse(testfiles::readAll(baza + kCard)).pokupki)
                found.append(cardfile::serializePurchase(sale));
        } else {
            for (const QString &name : QDir(baza).entryList({QStringLiteral("*.dat")}, QDir::Files))
                found.append(testfiles::readAll(baza + name));
        }
        int whole = 0; // writes found once, byte for byte
        for (int t = 0; t < 2; ++t)
            for (int n = 0; n < each; ++n)
                whole += found.count(piece(appends, t, n)) == 1;
        qInfo("%s: %d writes of two tills in %lld ms (seed %llu): %d lost or broken, %d refused",
              QTest::currentDataTag(), 2 * each, ms, seed, 2 * each - whole, refused);
        QCOMPARE(refused, 0);
        QCOMPARE(whole, 2 * each);
        QCOMPARE(found.size(), 2 * each);
        QCOMPARE(QDir(baza).entryList({QStringLiteral(".~*")}, QDir::Files | QDir::Hidden), QStringList());
        for (const QString &name : QDir(baza).entryList(QDir::Files | QDir::Hidden)) {
            struct stat st {};
            QVERIFY(::lstat(QFile::encodeName(baza + name).constData(), &st) == 0);
            QVERIFY2(!twoUsers || (st.st_uid != 0 && st.st_gid == kShop && (st.st_mode & S_IWGRP)),
                     qPrintable(name + QStringLiteral(" is not the shop group's to write")));
        }
    }
};

QTEST_GUILESS_MAIN(TestTwoTills)
#include "tst_twotills.moc"

// A till (a program of its own, as in a shop) rewrites a card, appends purchases to another and
// saves new cards, and is killed with SIGKILL at random moments. After every kill each card of the
// folder must hold the state before or after one operation: the rewritten card one of its two
// versions with the other in its history, the appended card a whole number of purchase blocks
// (never a half block, never fewer than the till reported done), each new card all or nothing; the
// scan must list no temporary file, and removeLeftovers must remove every one the kill left.
//
// The run is made twice: in the system's temporary folder, where every flush reaches the disk, and
// in /dev/shm, where flushes cost nothing, so that kills land far more often inside the writes.
// TARVESKO_SEED=<n> repeats a run; TARVESKO_KILL_SECONDS=<s> sets the length of each (default 5).
#include "BaseRestore.h"
#include "BazaScan.h"
#include "CardFile.h"
#include "CardHistory.h"
#include "FileLock.h"
#include "SafeFile.h"
#include "TestFiles.h"
#include "TillJobs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

using tills::block;
using tills::newCardName;
using tills::Op;
const QString &kRewritten = tills::kCard;
const QString &kAppended = tills::kAppended;

void pauseMicroseconds(long us)
{
    timespec ts{us / 1000000, (us % 1000000) * 1000};
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Where the folder stands between rounds.
struct State {
    int rewritten = 0; // which of the two versions the first card holds
    int blocks = 0;    // purchase blocks in the second card
    int created = 0;   // new cards the till made (numbers them)

    State after(int round, int ops) const
    {
        State s = *this;
        for (int i = 0; i < ops; ++i) {
            switch (tills::opOf(round, i)) {
            case Op::Replace:
                s.rewritten ^= 1;
                break;
            case Op::Append:
                ++s.blocks;
                break;
            case Op::Create:
                ++s.created;
                break;
            }
        }
        return s;
    }
};

} // namespace

class TestCrashConsistency : public QObject {
    Q_OBJECT

private:
    QString m_baza;
    QByteArray m_versions[2];
    QByteArray m_newCard;
    QByteArray m_header;
    QByteArray m_appendedFull;    // header and every block made so far
    QList<qsizetype> m_blockEnds; // m_blockEnds[k]: size of the card holding k blocks

    const QByteArray &appendedWith(int blocks)
    {
        while (m_blockEnds.size() <= blocks) {
            m_appendedFull += block(int(m_blockEnds.size()) - 1);
            m_blockEnds.append(m_appendedFull.size());
        }
        return m_appendedFull;
    }

    // Mean time of one of the first operations of a freshly started till (which cost more than
    // later ones), measured on a folder of its own.
    qint64 meanOperationMicros(const QTemporaryDir &root)
    {
        const QString scratch = root.filePath(QStringLiteral("scratch/"));
        QProcess till;
        if (!QDir().mkpath(scratch) ||
            safefile::replaceFile(scratch + kAppended, m_header) != FileError::None ||
            !tills::startTill(till, {QStringLiteral("cycle"), scratch}) || till.write("g") != 1)
            return 1000;
        QElapsedTimer t;
        t.start();
        constexpr int kOps = 36;
        QByteArray reports;
        while (reports.size() < kOps && !reports.contains('!') && till.waitForReadyRead())
            reports += till.readAllStandardOutput();
        const qint64 mean = t.nsecsElapsed() / 1000 / kOps;
        till.kill();
        till.waitForFinished();
        // Failed operations tell nothing of the time of real ones: then a guess stands.
        return reports.size() >= kOps && !reports.contains('!') ? mean : 1000;
    }

private slots:
    void initTestCase()
    {
        m_versions[0] = tills::version(0);
        m_versions[1] = tills::version(1);
        m_newCard = tills::newCard();
        m_header = cardfile::serialize(reliability::card(QStringLiteral("Кузнецов"), 0, 0));
        for (const QByteArray *bytes : {&m_versions[0], &m_versions[1], &m_newCard, &m_header})
            QCOMPARE(cardfile::serialize(cardfile::parse(*bytes)), *bytes);
    }

    void killedWritesLeaveWholeStates_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("disk") << QDir::tempPath();
        QTest::newRow("memory") << QStringLiteral("/dev/shm");
    }

    void killedWritesLeaveWholeStates()
    {
        QFETCH(QString, place);
        QTemporaryDir root(place + QStringLiteral("/tarvesko-kill-XXXXXX"));
        if (!root.isValid())
            QSKIP(qPrintable(QStringLiteral("cannot make a folder in %1").arg(place)));
        m_baza = root.filePath(QStringLiteral("База/"));
        QVERIFY(QDir().mkpath(m_baza));
        m_appendedFull = m_header;
        m_blockEnds = {m_header.size()};

        const quint64 seed = qEnvironmentVariableIsSet("TARVESKO_SEED")
                                 ? qEnvironmentVariable("TARVESKO_SEED").toULongLong()
                                 : std::random_device{}();
        const int seconds = qEnvironmentVariableIsSet("TARVESKO_KILL_SECONDS")
                                ? qEnvironmentVariableIntValue("TARVESKO_KILL_SECONDS")
                                : 5;
        std::mt19937_64 rng(seed);
        const qint64 mean = std::max<qint64>(meanOperationMicros(root), 20);
        // Kills land at every scale of time, from inside the first operation to some dozen operations
        // later (evenly on a logarithmic scale).
        std::uniform_real_distribution<double> logDelay(std::log(10.0), std::log(20.0 * double(mean)));
        qInfo("%s: seed %llu (TARVESKO_SEED repeats it); one operation takes about %lld us",
              qPrintable(place), seed, mean);

        QCOMPARE(safefile::replaceFile(m_baza + kRewritten, m_versions[0]), FileError::None);
        QCOMPARE(safefile::replaceFile(m_baza + kAppended, m_header), FileError::None);

        State state;
        int rounds = 0;
        qint64 finished = 0;
        int inFlightLanded = 0; // kills after an operation took effect but before it was reported
        int strays = 0;         // temporary files left behind by a kill
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000LL) {
            const QString where = QStringLiteral("seed %1, round %2: ").arg(seed).arg(rounds);
            const long delay = long(std::exp(logDelay(rng)));

            QProcess till;
            QVERIFY2(tills::startTill(
                         till, {QStringLiteral("cycle"), m_baza, QStringLiteral("--till=%1").arg(rounds)}),
                     qPrintable(where + QStringLiteral("the till did not start")));
            QVERIFY(till.write("g") == 1 && till.waitForBytesWritten());
            pauseMicroseconds(delay);
            till.kill();
            QVERIFY(till.waitForFinished());
            const QByteArray reports = till.readAllStandardOutput();
            QVERIFY2(!reports.contains('!'),
                     qPrintable(where + QStringLiteral("an operation failed in the till")));
            QVERIFY2(till.exitStatus() == QProcess::CrashExit,
                     qPrintable(where + QStringLiteral("the till ended by itself")));

            const int done = int(reports.size());
            const State before = state.after(rounds, done);
            const State after = state.after(rounds, done + 1);
            finished += done;

            // The rewritten card: one of its two versions, the last reported one or the next.
            const QByteArray rewritten = readBytes(m_baza + kRewritten);
            QVERIFY2(rewritten == m_versions[before.rewritten] || rewritten == m_versions[after.rewritten],
                     qPrintable(where + QStringLiteral("the rewritten card holds %1 bytes, neither version")
                                            .arg(rewritten.size())));
            const int rewrittenNow = rewritten == m_versions[0] ? 0 : 1;
            // What it held before is in its history: the newest version unlike it (kills between
            // keeping a version and the rename leave copies of the card as it still is).
            const QList<CardVersion> kept = CardHistory(m_baza).versions(kRewritten);
            auto earlier = std::find_if(kept.crbegin(), kept.crend(),
                                        [&](const CardVersion &v) { return v.bytes != rewritten; });
            QVERIFY2(
                earlier == kept.crend() ? rewrittenNow == 0 : earlier->bytes == m_versions[1 - rewrittenNow],
                qPrintable(where +
                           QStringLiteral("the rewritten card's previous content is not in its history")));

            // The appended card: every reported purchase, and whole blocks only.
            const QByteArray appended = readBytes(m_baza + kAppended);
            const QByteArray &full = appendedWith(after.blocks);
            int blocksNow = -1;
            for (int k : {before.blocks, after.blocks})
                if (appended.size() == m_blockEnds[k] && full.startsWith(appended))
                    blocksNow = k;
            QVERIFY2(blocksNow >= 0,
                     qPrintable(where +
                                QStringLiteral("the appended card holds %1 bytes; whole cards with %2 or %3 "
                                               "purchases hold %4 or %5")
                                    .arg(appended.size())
                                    .arg(before.blocks)
                                    .arg(after.blocks)
                                    .arg(m_blockEnds[before.blocks])
                                    .arg(m_blockEnds[after.blocks])));
            QCOMPARE(cardfile::parse(appended).pokupki.size(), blocksNow);

            // New cards: all those reported are whole; the one under way is whole or absent.
            QStringList expected{kRewritten, kAppended};
            bool underWayTookEffect = false;
            for (int n = state.created; n < after.created; ++n) {
                const QString name = newCardName(n);
                const bool reported = n < before.created;
                if (!reported && !safefile::nameTaken(m_baza + name))
                    continue;
                underWayTookEffect |= !reported;
                QVERIFY2(readBytes(m_baza + name) == m_newCard,
                         qPrintable(where + QStringLiteral("new card %1 is not whole").arg(name)));
                expected.append(name);
            }
            std::sort(expected.begin(), expected.end());
            QCOMPARE(bazascan::listCardFiles(m_baza), expected);

            // Every card parses to a card that writes back to the very same bytes (the fixed versions
            // were checked once at the start).
            for (const QString &name : expected) {
                const QByteArray bytes = readBytes(m_baza + name);
                if (bytes == m_versions[0] || bytes == m_versions[1] || bytes == m_newCard)
                    continue;
                QVERIFY2(cardfile::serialize(cardfile::parse(bytes)) == bytes,
                         qPrintable(where + name + QStringLiteral(" does not read back whole")));
            }

            if (underWayTookEffect || rewrittenNow != before.rewritten || blocksNow != before.blocks)
                ++inFlightLanded;

            // Tidy up for the next round: the killed write's temporary files are leftovers nobody
            // holds, which removeLeftovers must take; new cards go, a long card is reset.
            strays += safefile::removeLeftovers(m_baza);
            const QString history = CardHistory(m_baza).folder();
            strays += safefile::removeLeftovers(history);
            const QStringList leftInHistory = QDir(history).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(leftInHistory.size() <= 2,
                     qPrintable(where + leftInHistory.join(' ') + " in the history"));
            const QStringList all =
                QDir(m_baza).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString &name : all) {
                if (name == kRewritten || name == kAppended || name == lockFileOf(QString()) ||
                    name == QStringLiteral(".history"))
                    continue;
                QVERIFY2(expected.contains(name),
                         qPrintable(where + name + QStringLiteral(" stayed after removeLeftovers")));
                QFile::remove(m_baza + name);
            }
            state.rewritten = rewrittenNow;
            state.blocks = blocksNow;
            state.created = 0; // its new cards are gone: the next till numbers its own from the first
            if (appended.size() > 64 * 1024) {
                QCOMPARE(safefile::replaceFile(m_baza + kAppended, m_header), FileError::None);
                state.blocks = 0;
                m_appendedFull = m_header;
                m_blockEnds = {m_header.size()};
            }
            ++rounds;
        }
        qInfo("%d kill rounds survived, %lld operations finished, %d kills landed between an operation's "
              "effect and its report, %d temporary files of killed writes removed (never listed)",
              rounds, finished, inFlightLanded, strays);
        QVERIFY(rounds >= 10);
    }

    // A purchase with very many items spans hundreds of pages, so that kills land inside its write:
    // the card must still hold either its old content or the whole purchase, never a part of it.
    void killDuringALongAppendLeavesNoHalfBlock()
    {
        const QString place =
            QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QTemporaryDir root(place + QStringLiteral("/tarvesko-kill-XXXXXX"));
        QVERIFY(root.isValid());
        const QString path = root.filePath(kAppended);
        const TovarCls purchase = reliability::purchase(1, 60000);
        const QByteArray big = cardfile::serializePurchase(purchase);

        // How long the bytes alone take to write; the kills are spread over three times that.
        QVERIFY(testfiles::writeAll(path, m_header + big));
        QElapsedTimer t;
        t.start();
        QVERIFY(testfiles::writeAll(path, m_header + big));
        const long spread = 3 * std::max<long>(long(t.nsecsElapsed() / 1000), 200);

        std::mt19937_64 rng(std::random_device{}());
        int kept = 0, whole = 0;
        QString broken;
        for (int attempt = 0; attempt < 12; ++attempt) {
            QVERIFY(testfiles::writeAll(path, m_header));
            int pipeFds[2];
            QVERIFY(::pipe2(pipeFds, O_CLOEXEC) == 0);
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                ::close(pipeFds[0]);
                if (::write(pipeFds[1], "r", 1) != 1)
                    ::_exit(3);
                // Killed while it runs, or once it is done.
                [[maybe_unused]] const FileError appended = safefile::appendToFile(path, big);
                for (;;)
                    ::pause();
            }
            ::close(pipeFds[1]);
            char ready = 0;
            QVERIFY(::read(pipeFds[0], &ready, 1) == 1);
            ::close(pipeFds[0]);
            pauseMicroseconds(long(rng() % quint64(spread)));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            const QByteArray now = readBytes(path);
            if (now == m_header)
                ++kept;
            else if (now == m_header + big)
                ++whole;
            else if (broken.isEmpty())
                broken = QStringLiteral(
                             "after kill %1 the card holds %2 bytes: %3 without the purchase, %4 with it; "
                             "read back it has %5 items where the purchase has %6")
                             .arg(attempt + 1)
                             .arg(now.size())
                             .arg(m_header.size())
                             .arg(m_header.size() + big.size())
                             .arg(cardfile::parse(now).pokupki.value(0).ListCount())
                             .arg(purchase.ListCount());
        }
        qInfo("12 kills inside a %lld-byte append (spread over %ld us): %d left the old card, %d the whole "
              "purchase",
              qint64(big.size()), spread, kept, whole);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
    }

    // A restore from a backup killed at random moments, each followed by what the next start does:
    // the base is then wholly the one before or wholly the backup's, "Товары.txt" with it.
    void killedRestoreLeavesOneWholeBase()
    {
        QTemporaryDir root;
        const QString baza = root.filePath(QStringLiteral("База/"));
        const backup::Sources src{baza, root.filePath(QStringLiteral("Товары.txt"))};
        QVERIFY(QDir().mkpath(baza + QStringLiteral(".history")));
        QMap<QByteArray, QByteArray> states[2];
        QString zips[2];
        for (int s = 0; s < 2; ++s) { // two bases, each kept in a backup
            for (int k = 1; k <= 20; ++k)
                QVERIFY(testfiles::writeAll(baza + QStringLiteral("%1.dat").arg(k, 8, 10, QLatin1Char('0')),
                                            s ? m_versions[k % 2] : m_newCard));
            QVERIFY(testfiles::writeAll(
                baza + QStringLiteral(".history/00000001.dat.v"),
                CardHistory::serialize({{QDateTime::currentDateTimeUtc(), QByteArray(s + 1, 'v'), s}})));
            QVERIFY(testfiles::writeAll(src.goodsPath, s ? "Фен\r\n" : "Утюг\r\n"));
            if (s)
                QVERIFY(QFile::remove(baza + QStringLiteral("00000020.dat")));
            states[s] = testfiles::tree(root.path());
            zips[s] = root.filePath(QStringLiteral("копия%1.zip").arg(s));
            QCOMPARE(backup::writeBackup(src, zips[s]).status, backup::Status::Done);
        }
        std::mt19937_64 rng(std::random_device{}());
        QElapsedTimer clock;
        clock.start();
        backup::restoreBackup(src, zips[0], root.filePath(QStringLiteral("Копии")));
        const qint64 spread = std::max<qint64>(2 * clock.nsecsElapsed() / 1000, 1000);
        int now = 0, whole = 0;
        for (int kill = 0; kill < 40; ++kill) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                backup::restoreBackup(src, zips[1 - now], root.filePath(QStringLiteral("Копии")));
                ::_exit(0);
            }
            pauseMicroseconds(long(rng() % quint64(spread)));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            backup::finishInterruptedRestore(baza, src.goodsPath); // what the next start does
            safefile::removeLeftovers(root.path());
            safefile::removeLeftovers(baza);
            auto found = testfiles::tree(root.path());
            found.removeIf([](const auto &f) { return f.key().startsWith("Копии/"); }); // the safety copies
            QVERIFY2(found == states[0] || found == states[1],
                     qPrintable(QStringLiteral("after kill %1 the base is neither whole: %2")
                                    .arg(kill + 1)
                                    .arg(QString::fromUtf8(found.keys().join(' ')))));
            whole += found != states[now];
            now = found == states[1];
        }
        qInfo("40 kills of a restore (spread over %lld us): %d restores took effect", spread, whole);
    }
};

QTEST_GUILESS_MAIN(TestCrashConsistency)
#include "tst_crashconsistency.moc"

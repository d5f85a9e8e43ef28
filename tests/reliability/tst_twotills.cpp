// Two tills on one data folder, two programs started apart and let go at the same moment: both
// append sales to one card, save new cards taking names from the same sequence, add names to
// "Товары.txt", or rewrite one card whose every earlier content goes to its history. Every write
// must then be there whole, once, and no temporary file left. On the disk (beside the test
// program) and in memory (/dev/shm), and (when run as root) as two users of one group in a shared
// folder, as a shop sets it up: every file either till made must stay the other's to write. The
// seed sets the pauses between writes: TARVESKO_SEED=<n> repeats a run.
#include "GoodsCatalogue.h"
#include "TestFiles.h"
#include "TillJobs.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The shop's group and its two users' ids: no names needed, root may take any ids.
constexpr gid_t kShop = 60000;
constexpr uid_t kTillUser = 60001;

// The writes of a job found in the folder, write by write; the card's first content not among them.
QList<QByteArray> writesIn(const QString &baza, const QString &job, const QByteArray &first)
{
    QList<QByteArray> found;
    if (job == u"sales") {
        for (const TovarCls &sale : cardfile::parse(testfiles::readAll(baza + tills::kCard)).pokupki)
            found.append(cardfile::serializePurchase(sale));
    } else if (job == u"cards") {
        for (const QString &name : QDir(baza).entryList({QStringLiteral("*.dat")}, QDir::Files))
            found.append(testfiles::readAll(baza + name));
    } else if (job == u"goods") {
        GoodsCatalogue goods;
        goods.load(baza + tills::kGoods);
        for (const QString &name : goods.names())
            found.append(cp1251::encode(name));
    } else { // the card as it is last, what it held before in its history
        found.append(testfiles::readAll(baza + tills::kCard));
        for (const CardVersion &v : CardHistory(baza).versions(tills::kCard))
            found.append(v.bytes);
        found.removeOne(first);
    }
    return found;
}

} // namespace

class TestTwoTills : public QObject {
    Q_OBJECT

private slots:
    void everyWriteOfTwoTillsStaysWhole_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("job");
        QTest::addColumn<int>("each"); // writes per till
        QTest::addColumn<bool>("twoUsers");
        const QString disk = QCoreApplication::applicationDirPath();
        for (const auto &[place, where] : {std::pair{disk, "disk"},
                                           {QStringLiteral("/dev/shm"), "memory"},
                                           {QStringLiteral("/tmp"), "two users"}}) {
            const bool twoUsers = place == u"/tmp";
            QTest::addRow("sales, %s", where) << place << QStringLiteral("sales") << 200 << twoUsers;
            QTest::addRow("new cards, %s", where) << place << QStringLiteral("cards") << 300 << twoUsers;
            QTest::addRow("goods, %s", where) << place << QStringLiteral("goods") << 100 << twoUsers;
            QTest::addRow("history, %s", where) << place << QStringLiteral("history") << 100 << twoUsers;
        }
        QTest::addRow("600 sales, memory")
            << QStringLiteral("/dev/shm") << QStringLiteral("sales") << 300 << false;
    }

    void everyWriteOfTwoTillsStaysWhole()
    {
        QFETCH(QString, place);
        QFETCH(QString, job);
        QFETCH(int, each);
        QFETCH(bool, twoUsers);
        if (twoUsers && ::geteuid() != 0)
            QSKIP("only root can run the tills as two users");
        QTemporaryDir root(place + QStringLiteral("/tarvesko-tills-XXXXXX"));
        if (!root.isValid())
            QSKIP(qPrintable(QStringLiteral("cannot make a folder in %1").arg(place)));
        const QString baza = root.path() + QLatin1Char('/');
        const QByteArray folder = QFile::encodeName(root.path());
        const QByteArray first = cardfile::serialize(reliability::card(QStringLiteral("Кузнецов"), 0, 0));
        const bool onCard = job == u"sales" || job == u"history";
        QVERIFY(!onCard || testfiles::writeAll(baza + tills::kCard, first));
        if (twoUsers) { // the shared folder, and a card the first till made
            QVERIFY(::chown(folder.constData(), 0, kShop) == 0 && ::chmod(folder.constData(), 02775) == 0);
            const QByteArray card = folder + "/" + QFile::encodeName(tills::kCard);
            QVERIFY(!onCard || (::chown(card.constData(), kTillUser, kShop) == 0 &&
                                ::chmod(card.constData(), 0664) == 0));
        }
        const quint64 seed = qEnvironmentVariableIsSet("TARVESKO_SEED")
                                 ? qEnvironmentVariable("TARVESKO_SEED").toULongLong()
                                 : std::random_device{}();

        QProcess writers[2];
        for (int t = 0; t < 2; ++t) {
            QStringList args{job, baza, QStringLiteral("--till=%1").arg(t),
                             QStringLiteral("--count=%1").arg(each), QStringLiteral("--seed=%1").arg(seed)};
            if (twoUsers)
                args << QStringLiteral("--user=%1:%2").arg(kTillUser + uid_t(t)).arg(kShop);
            QVERIFY2(tills::startTill(writers[t], args), "a till did not start");
        }
        QElapsedTimer clock;
        clock.start();
        for (QProcess &till : writers)
            QVERIFY(till.write("g") == 1 && till.waitForBytesWritten());
        int refused = 0;
        for (QProcess &till : writers) {
            QVERIFY2(till.waitForFinished(150000) && till.exitStatus() == QProcess::NormalExit &&
                         till.exitCode() <= 100,
                     "a till crashed or hung");
            refused += till.exitCode();
        }
        const qint64 ms = clock.elapsed();

        const QList<QByteArray> found = writesIn(baza, job, first);
        int whole = 0; // writes found once, byte for byte
        for (int t = 0; t < 2; ++t)
            for (int n = 0; n < each; ++n)
                whole += found.count(tills::piece(job, t, n)) == 1;
        qInfo("%s: %d writes of two tills in %lld ms (seed %llu): %d lost or broken, %d refused",
              QTest::currentDataTag(), 2 * each, ms, seed, 2 * each - whole, refused);
        QCOMPARE(refused, 0);
        QCOMPARE(whole, 2 * each);
        QCOMPARE(found.size(), 2 * each);
        QDirIterator it(baza, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QVERIFY2(!it.fileName().startsWith(QStringLiteral(".~")),
                     qPrintable(path + QStringLiteral(" left")));
            struct stat st {};
            QVERIFY(::lstat(QFile::encodeName(path).constData(), &st) == 0);
            QVERIFY2(!twoUsers || (st.st_uid != 0 && st.st_gid == kShop && (st.st_mode & S_IWGRP)),
                     qPrintable(path + QStringLiteral(" is not the shop group's to write")));
        }
    }
};

QTEST_GUILESS_MAIN(TestTwoTills)
#include "tst_twotills.moc"

#include "BazaScan.h"
#include "BazaWatcher.h"
#include "FioOrder.h"
#include "KlientIndex.h"
#include "TestFiles.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <mutex>

using testfiles::crlf;
using testfiles::writeAll;

namespace {

QStringList fioInOrder(const KlientIndex &index)
{
    QStringList out;
    for (int p : fioOrder(index))
        out << index.at(p).FIO;
    return out;
}

KlientIndex indexOf(const QList<QStringList> &people)
{
    KlientIndex index;
    for (const QStringList &p : people)
        index.append(makeKlientRec(QStringLiteral("x.dat"), p[0], p[1], p[2], QString(), QString()));
    return index;
}

// Makes the changes "+a ~b -c" (a added, b changed, c removed) as another program would: new cards
// written plainly, one by one with the watcher hearing of each, changed ones renamed over.
bool makeChanges(const QString &baza, const QString &text)
{
    bool ok = true;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString path = baza + word.mid(1);
        if (word[0] == u'-') {
            ok = ok && QFile::remove(path);
        } else if (word[0] == u'~') {
            QSaveFile f(path);
            ok = ok && f.open(QIODevice::WriteOnly) && f.write("Другой\r\n") && f.commit();
        } else {
            ok = ok && writeAll(path, crlf({"Новый"}));
            QTest::qWait(2);
        }
    }
    return ok;
}

} // namespace

class TestKlientIndex : public QObject {
    Q_OBJECT

private slots:
    void russianOrderIgnoresCase()
    {
        const KlientIndex index = indexOf({{"Яковлев", "Пётр", "Ильич"},
                                           {"абрамова", "Анна", "Сергеевна"},
                                           {"Абрамов", "Олег", "Ильич"},
                                           {"Ёлкин", "Иван", "Ильич"},
                                           {"Жуков", "Иван", "Ильич"}});
        QCOMPARE(fioInOrder(index),
                 (QStringList{"Абрамов Олег Ильич", "абрамова Анна Сергеевна", "Ёлкин Иван Ильич",
                              "Жуков Иван Ильич", "Яковлев Пётр Ильич"}));
    }

    void equalNamesFollowTheTextOfTheirPositions()
    {
        KlientIndex index;
        for (int i = 0; i < 11; ++i)
            index.append(makeKlientRec(QString::number(i), "Иванов", "Иван", "Иванович", {}, {}));
        QCOMPARE(fioOrder(index), (QList<int>{0, 1, 10, 2, 3, 4, 5, 6, 7, 8, 9}));
    }

    void nameWithBarKeepsItsPosition()
    {
        const KlientIndex index = indexOf({{"Б|2", "x", "y"}, {"А", "x", "y"}});
        QCOMPARE(fioOrder(index), (QList<int>{1, 0}));
    }

    void fioAlwaysHasBothBlanks()
    {
        QCOMPARE(makeKlientRec("f", "Иванов", "Иван", "", "", "").FIO, QStringLiteral("Иванов Иван "));
        QCOMPARE(makeKlientRec("f", "", "", "", "", "").FIO, QStringLiteral("  "));
    }

    void customerLookup()
    {
        KlientIndex index;
        index.append(makeKlientRec("1.dat", "Петров", "А", "", "111", ""));
        index.append(makeKlientRec("2.dat", "Сидоров", "Б", "", "", ""));
        index.append(makeKlientRec("3.dat", "ПЕТРОВ", "В", "", "111", ""));
        QCOMPARE(index.findCustomer("петров", "111", ""), 0); // first match wins
        QCOMPARE(index.findCustomer("петров ", "111", ""), -1);
        QCOMPARE(index.findCustomer("петров", "", ""), -1);
        QCOMPARE(index.findCustomer("сидоров", "", ""), 1);
        QCOMPARE(index.findFile("3.dat"), 2);
        QCOMPARE(index.findFile("4.dat"), -1);
    }

    void perCardUpdatesKeepPositions()
    {
        KlientIndex index;
        for (const char *surname : {"Петров", "Иванов", "Сидоров"})
            index.append(
                makeKlientRec(QString::number(index.KlientCount()) + ".dat", surname, "", "", "", ""));
        QCOMPARE(index.findCustomer("петров", "", ""), 0); // searches made before the changes

        QCOMPARE(index.applyCardChange("2.dat", makeKlientRec("2.dat", "Новиков", "", "", "5", "")), 2);
        QCOMPARE(index.applyCardChange("3.dat", makeKlientRec("3.dat", "Орлов", "", "", "", "")), 3);
        QCOMPARE(index.findCustomer("новиков", "5", ""), 2);
        QCOMPARE(index.findFile("3.dat"), 3);
        index.setEntry(3, makeKlientRec("4.dat", "Орлов", "", "", "", ""));
        QCOMPARE(index.findFile("3.dat"), -1);

        QCOMPARE(index.markRemoved("0.dat"), 0);
        QCOMPARE(index.markRemoved("9.dat"), -1);
        QCOMPARE(index.at(0), (KlientRec{{}, {}, QStringLiteral("0.dat"), {}, {}, {}}));
        QCOMPARE(index.findFile("0.dat"), 0);
        // A removed card is nobody's, also where its customer had no surname and no phones.
        QCOMPARE(index.findCustomer("петров", "", ""), -1);
        QCOMPARE(index.findCustomer("", "", ""), -1);
        // A card that comes back takes its old place.
        QCOMPARE(index.applyCardChange("0.dat", makeKlientRec("0.dat", "Петров", "", "", "", "")), 0);

        index.replaceAll({makeKlientRec("7.dat", "", "", "", "", "")});
        QCOMPARE(index.findFile("0.dat"), -1);
    }

    void watcherReportsOtherHands_data()
    {
        QTest::addColumn<bool>("pollOnly");
        QTest::addColumn<QString>("ours"); // made by this program, which notes them
        QTest::addColumn<QString>("others");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("beforeStart"); // by another hand, after the scan, before the listing
        const auto row = [](const char *name, bool pollOnly, const QString &ours, const QString &others,
                            const QString &reported, const QString &beforeStart = {}) {
            QTest::newRow(name) << pollOnly << ours << others << reported << beforeStart;
        };
        for (const bool pollOnly : {false, true}) {
            row(pollOnly ? "added, polling only" : "added", pollOnly, "", "+new.dat", "+new.dat");
            row(pollOnly ? "changed, polling only" : "changed", pollOnly, "", "~a.dat", "~a.dat");
            row(pollOnly ? "removed, polling only" : "removed", pollOnly, "", "-a.dat", "-a.dat");
        }
        row("not cards", false, "", "+notes.txt +.hidden.dat", "");
        row("before the first listing", false, "", "", "+d.dat -b.dat ~a.dat", "~a.dat -b.dat +d.dat");
        row("own writes", false, "~a.dat +own.dat -c.dat", "~b.dat", "~b.dat");
        QStringList burst;
        for (int n = 0; n < 50; ++n)
            burst << QStringLiteral("+%1.dat").arg(n);
        burst.sort(); // as reports are compared
        row("burst of 50", false, "", burst.join(QLatin1Char(' ')), burst.join(QLatin1Char(' ')));
    }

    void watcherReportsOtherHands()
    {
        QTemporaryDir dir;
        const QString baza = dir.path() + QLatin1Char('/');
        QVERIFY(makeChanges(baza, "+a.dat +b.dat +c.dat"));
        QTest::qWait(50); // a few ticks of the clock file times are set by, as before a scan
        QFETCH(bool, pollOnly);
        BazaWatcher watcher(baza, pollOnly ? BazaWatcher::Listening::PollOnly
                                           : BazaWatcher::Listening::KernelAndPoll);
        watcher.setPollInterval(std::chrono::milliseconds(pollOnly ? 300 : 60'000));
        QSignalSpy reports(&watcher, &BazaWatcher::cardsChanged);
        // Changes between the scan and the first listing are set against the scan's cards.
        QFETCH(QString, beforeStart);
        QVERIFY(makeChanges(baza, beforeStart));
        watcher.start({"a.dat", "b.dat", "c.dat"});
        QTRY_VERIFY(!watcher.isListing());
        const auto allReported = [&] {
            QStringList words;
            for (const QList<QVariant> &report : std::as_const(reports))
                for (int k = 0; k < 3; ++k)
                    for (const QString &name : report[k].toStringList())
                        words << QLatin1Char("+~-"[k]) + name;
            words.sort();
            return words.join(QLatin1Char(' '));
        };

        QFETCH(QString, ours);
        QVERIFY(makeChanges(baza, ours));
        for (const QString &word : ours.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            watcher.noteOwnWrite(word.mid(1));
        QFETCH(QString, others);
        QVERIFY(makeChanges(baza, others));

        QFETCH(QString, reported);
        if (!reported.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(allReported(), reported, 2000);
        QTest::qWait(700); // and nothing more comes
        QCOMPARE(allReported(), reported);
        // One report for one change, a few for a burst.
        QVERIFY(reports.size() <= qMin(3, int(reported.count(QLatin1Char('.')))));
    }

    void scanReadsWholeLines()
    {
        QTemporaryDir dir;
        const QString baza = dir.path() + QLatin1Char('/');
        QVERIFY(writeAll(baza + "00000002.dat",
                         crlf({"Петров, Иван", "\"Ромашка\"", "Ильич ", "123", "456", "1"})));
        QVERIFY(writeAll(baza + "00000001.DAT", crlf({"Краткий"})));
        QVERIFY(writeAll(baza + ".hidden.dat", crlf({"Скрытый"})));
        QVERIFY(writeAll(baza + "notes.txt", crlf({"Не карточка"})));
        QVERIFY(QDir(baza).mkdir("folder.dat"));
        QVERIFY(QFile::link(baza + "00000002.dat", baza + "link.dat"));

        const QList<KlientRec> recs = bazascan::scan(baza);
        QCOMPARE(recs.size(), 2);
        QCOMPARE(recs[0].FileName, QStringLiteral("00000001.DAT"));
        QCOMPARE(recs[0].FIO, QStringLiteral("Краткий  ")); // missing lines are empty, nothing carried over
        QCOMPARE(recs[0].Telephon1, QString());
        QCOMPARE(recs[1].Familiya, QStringLiteral("Петров, Иван"));
        QCOMPARE(recs[1].FIO, QStringLiteral("Петров, Иван \"Ромашка\" Ильич "));
        QCOMPARE(recs[1].Telephon1, QStringLiteral("123"));
        QCOMPARE(recs[1].Telephon2, QStringLiteral("456"));
        QCOMPARE(recs[1].FamiliyaUpper, QStringLiteral("ПЕТРОВ, ИВАН"));
    }

    void longFirstLinesAreReadWhole()
    {
        QTemporaryDir dir;
        const QString baza = dir.path() + QLatin1Char('/');
        const QString longName(5000, QChar(0x0416)); // Ж
        QVERIFY(writeAll(baza + "1.dat", crlf({longName, "И", "О", "1", "2"})));
        const KlientRec rec = bazascan::readRecord(baza, "1.dat");
        QCOMPARE(rec.Familiya, longName);
        QCOMPARE(rec.Telephon2, QStringLiteral("2"));
    }

    void missingFolderListsNothing()
    {
        QVERIFY(bazascan::scan(QStringLiteral("/nonexistent/База/")).isEmpty());
        QVERIFY(bazascan::forEachCard(QStringLiteral("/nonexistent/База/"), 2,
                                      [](int, const QString &, QByteArrayView) { return false; }));
    }

    void wholeCardsReadInParts()
    {
        // Runs of consecutive cards in list order, every card once and whole, however many parts;
        // cards larger than any buffer, empty ones, and names that are not cards as the list has them.
        QTemporaryDir dir;
        const QString baza = dir.path() + QLatin1Char('/');
        QHash<QString, QByteArray> written;
        for (int n = 0; n < 41; ++n) {
            const QString name = QStringLiteral("%1.dat").arg(n, 8, 10, QLatin1Char('0'));
            written[name] = n == 7   ? QByteArray(300 * 1024, 'x')
                            : n == 8 ? QByteArray()
                                     : crlf({QString::number(n)});
            QVERIFY(writeAll(baza + name, written[name]));
        }
        QVERIFY(writeAll(baza + "notes.txt", "не карточка"));
        QVERIFY(QDir(baza).mkdir("folder.dat"));
        const QStringList listed = bazascan::listCardFiles(baza);
        QCOMPARE(listed.size(), 41);
        for (const int parts : {1, 2, 3, 64}) {
            QList<QStringList> seen(parts);
            std::mutex lock;
            QVERIFY(
                bazascan::forEachCard(baza, parts, [&](int part, const QString &name, QByteArrayView bytes) {
                    const std::lock_guard guard(lock);
                    seen[part] << name;
                    return bytes == written.value(name);
                }));
            QStringList inOrder;
            for (const QStringList &run : std::as_const(seen))
                inOrder += run;
            QCOMPARE(inOrder, listed);
        }

        // A visit that says stop ends the reading.
        std::atomic<int> visits = 0;
        QVERIFY(!bazascan::forEachCard(baza, 1,
                                       [&](int, const QString &, QByteArrayView) { return ++visits < 5; }));
        QCOMPARE(visits.load(), 5);
    }
};

QTEST_GUILESS_MAIN(TestKlientIndex)
#include "tst_klientindex.moc"

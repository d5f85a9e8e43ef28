#include "Backup.h"
#include "BazaWatcher.h"
#include "ExitSignals.h"
#include "SafeFile.h"
#include "WindowFixture.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QRegularExpression>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class TestExitSignals : public QObject {
    Q_OBJECT

private slots:
    void signalClosesTheWindowAsExitDoes_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void signalClosesTheWindowAsExitDoes()
    {
        QFETCH(int, signal);
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        f.typePurchase("Иванов", "123", "", "Бра", "1");
        f.clickOK();
        const ExitSignals exitSignals(w);
        QCOMPARE(::raise(signal), 0);
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(testfiles::readAll(f.goodsPath()), testfiles::crlf({"Бра"}));
    }

    // The window closed by a signal while work runs beside it: the work is stopped and waited for,
    // nothing is left half done, and Qt has nothing to say about it.
    void signalDuringBackgroundWork_data()
    {
        QTest::addColumn<QString>("work");
        for (const char *work : {"daily backup", "restore", "folder listing"})
            QTest::newRow(work) << QString::fromLatin1(work);
    }

    void signalDuringBackgroundWork()
    {
        QFETCH(QString, work);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("receiver|QThread|QObject|QFuture")));
        WindowFixture f;
        for (int i = 1; i <= 3000; ++i) // a base that takes a while to copy
            f.writeCard(QStringLiteral("%1.dat").arg(i), ivanovCard());
        f.dialogs.openPath = f.baza() + QStringLiteral("../копия.zip");
        QCOMPARE(backup::writeBackup({f.baza(), {}}, f.dialogs.openPath).status, backup::Status::Done);
        FrmForma &w = f.open();
        const ExitSignals exitSignals(w);
        if (work == "daily backup")
            f.shop().backups().startDaily();
        else if (work == "restore")
            f.find<QAction>("FileRestore")->trigger();
        else
            f.writeCard("new.dat", petrovCard()); // as another till saves a card
        const QDeadlineTimer deadline(5000);
        while (work == "folder listing" && !f.shop().watcher().isListing() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY(!w.isVisible());
        QTest::qWait(100); // what the stopped work might still have posted
        f.close();
        QCOMPARE(QDir(f.baza() + QStringLiteral("../Резервные копии"))
                     .entryList({"*.zip", ".~*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        QCOMPARE(QDir(f.baza()).entryList({"*.dat"}).size(), 3000 + (work == "folder listing"));
        QCOMPARE(f.dialogs.messages, QStringList());
    }

    // Past the file-size limit a write fails and is reported; the program is not killed.
    void fileSizeLimitMakesAWriteFail()
    {
        QTemporaryDir dir;
        const pid_t child = ::fork();
        if (child == 0) {
            ExitSignals::ignoreFileSizeLimitSignal();
            const rlimit limit{4096, 4096};
            const bool failed =
                ::setrlimit(RLIMIT_FSIZE, &limit) == 0 &&
                safefile::replaceFile(dir.filePath("big"), QByteArray(8192, 'x')) == FileError::Other;
            ::_exit(failed ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(status, 0); // not killed, and the write failed
    }
};

QTEST_MAIN(TestExitSignals)
#include "tst_exitsignals.moc"

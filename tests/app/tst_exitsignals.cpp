#include "ExitSignals.h"
#include "SafeFile.h"
#include "WindowFixture.h"

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

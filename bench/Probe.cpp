#include "Probe.h"

#include "CardSearch.h"
#include "Dialogs.h"
#include "FrmForma.h"
#include "KlientIndex.h"
#include "ProgramFont.h"
#include "Rotation.h"
#include "Shop.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace probe {
namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Nothing may wait for an operator in a measured run.
class SilentDialogs final : public Dialogs {
public:
    void critical(QWidget *, const QString &text) override
    {
        std::fprintf(stderr, "probe: message: %s\n", qPrintable(text));
    }
    bool confirm(QWidget *, const QString &) override { return true; }
};

} // namespace

qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int run(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    const QString baza = QString::fromLocal8Bit(argv[2]);
    const QString goods = QString::fromLocal8Bit(argv[3]);
    SilentDialogs dialogs;
    Dialogs::install(&dialogs);
    const auto phase = [](const char *name) {
        std::printf("phase %s %lld\n", name, static_cast<long long>(nowNs()));
    };
    phase("main");

    // As main() starts the program.
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    app.setFont(programFont());

    int status = 0;
    phase("app");
    {
        Shop shop(baza, goods);
        FrmForma window(shop);
        phase("window");
        window.show();
        QCoreApplication::processEvents();
        // Shown: the window is exposed and what the expose asked for is painted.
        for (int i = 0; i < 1000 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            status = 3;
        QCoreApplication::processEvents();
        std::printf("shown %lld %lld %d\n", static_cast<long long>(nowNs()),
                    static_cast<long long>(peakRssKb()), shop.index().KlientCount());
        std::fflush(stdout);

        window.finishStartUp();
        const bool firstOfDay = argc > 4 && std::strcmp(argv[4], "daily") == 0;
        QEventLoop backedUp;
        QObject::connect(&shop.backups(), &Backups::dailyEnded, &backedUp, &QEventLoop::quit);
        if (firstOfDay) {
            // Today's backup is not there yet: the backup of the day runs as main() starts it.
            QFile::remove(
                QDir(shop.backups().dailyFolder()).filePath(backup::dailyBackupName(QDate::currentDate())));
            shop.startDailyBackup();
        }
        shop.search().waitUntilReady();
        std::printf("ready %lld %lld\n", static_cast<long long>(nowNs()),
                    static_cast<long long>(peakRssKb()));
        std::fflush(stdout);
        if (firstOfDay) {
            backedUp.exec();
            std::printf("daily %lld\n", static_cast<long long>(peakRssKb()));
            std::fflush(stdout);
        }
    }
    std::printf("closed %lld\n", static_cast<long long>(nowNs()));
    std::fflush(stdout);
    Dialogs::install(nullptr);
    return status;
}

StartUp measure(const QString &baza, const QString &goods, bool firstOfDay)
{
    StartUp result;
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    const QByteArray bazaArg = baza.toLocal8Bit();
    const QByteArray goodsArg = goods.toLocal8Bit();
    QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    char mode[] = "--probe";
    char daily[] = "daily";
    char *args[] = {self.data(),
                    mode,
                    const_cast<char *>(bazaArg.constData()),
                    const_cast<char *>(goodsArg.constData()),
                    firstOfDay ? daily : nullptr,
                    nullptr};

    // The probe runs headless whatever this run uses.
    std::vector<QByteArray> envStore;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            envStore.emplace_back(*e);
    envStore.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char *> env;
    for (QByteArray &e : envStore)
        env.push_back(e.data());
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    const qint64 start = nowNs();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, self.constData(), &actions, nullptr, args, env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return result;
    }

    FILE *in = ::fdopen(fds[0], "r");
    char line[256];
    bool shown = false;
    bool ready = false;
    while (in && std::fgets(line, sizeof line, in)) {
        long long ns = 0;
        long long kb = 0;
        int count = 0;
        if (std::sscanf(line, "shown %lld %lld %d", &ns, &kb, &count) == 3) {
            result.shownSecs = double(ns - start) / 1e9;
            result.hwmShownKb = kb;
            result.count = count;
            shown = true;
        } else if (char name[32]; std::sscanf(line, "phase %31s %lld", name, &ns) == 2) {
            result.phases.append({QString::fromLatin1(name), double(ns - start) / 1e9});
        } else if (std::sscanf(line, "closed %lld", &ns) == 1) {
            result.closedSecs = double(ns - start) / 1e9 - result.readySecs;
        } else if (std::sscanf(line, "daily %lld", &kb) == 1) {
            result.hwmDailyKb = kb;
        } else if (std::sscanf(line, "ready %lld %lld", &ns, &kb) == 2) {
            result.readySecs = double(ns - start) / 1e9;
            result.hwmReadyKb = kb;
            ready = true;
        }
    }
    if (in)
        std::fclose(in);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.ok = shown && ready && (!firstOfDay || result.hwmDailyKb > 0) && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0;
    return result;
}

} // namespace probe

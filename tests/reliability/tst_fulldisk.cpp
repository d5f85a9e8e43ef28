// Writes on a full disk: rewriting a card, appending a purchase, saving a new card and writing the
// goods catalogue each report an error, and every file already there stays byte for byte as it
// was. The disk is a 64 KB tmpfs mounted in a private mount namespace of a child process (skipped
// where mounting is not allowed); independently, a file-size limit (RLIMIT_FSIZE) in a child
// process cuts the same writes short on any file system.
#include "CardFile.h"
#include "FileError.h"
#include "GoodsCatalogue.h"
#include "ReliabilityFiles.h"
#include "SafeFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

using reliability::difference;
using reliability::Snapshot;
using reliability::snapshot;

namespace {

const QString kRewritten = QStringLiteral("00000001.dat");
const QString kAppended = QStringLiteral("00000002.dat");
const QString kNew = QStringLiteral("00000003.dat");
const QString kGoods = QString::fromUtf8(kGoodsFileName);

// A card of exactly `size` bytes: its patronymic is padded.
QByteArray cardOfSize(qsizetype size)
{
    Card c = reliability::card(QStringLiteral("Кузнецов"), 2, 1);
    const qsizetype plain = cardfile::serialize(c).size();
    c.header.otchestvo += QString(size - plain, QLatin1Char('a'));
    return cardfile::serialize(c);
}

// A card bigger than any limit of the tests.
QByteArray bigCard()
{
    return cardfile::serialize(reliability::card(QStringLiteral("Иванов"), 60, 2));
}

struct Outcome {
    FileError rewrite = FileError::None;
    FileError append = FileError::None;
    FileError create = FileError::None;
    FileError goods = FileError::None;
};

// The four writes the program makes.
Outcome writeEverything(const QString &baza, const QString &goodsPath)
{
    Outcome o;
    o.rewrite = safefile::replaceFile(baza + kRewritten, bigCard());
    o.append =
        safefile::appendToFile(baza + kAppended, cardfile::serializePurchase(reliability::purchase(7, 3)));
    o.create = safefile::replaceFile(baza + kNew, bigCard());
    GoodsCatalogue catalogue;
    catalogue.load(goodsPath);
    for (int i = 0; i < 400; ++i)
        catalogue.add(QStringLiteral("Товар %1").arg(i));
    o.goods = catalogue.save(goodsPath);
    return o;
}

// What went wrong, empty when every write failed with the "cannot save" message and nothing changed.
QString judge(const Outcome &o, const Snapshot &before, const Snapshot &after)
{
    QStringList faults;
    const auto expectFailure = [&faults](const char *what, const QString &name, FileError e) {
        if (e == FileError::None)
            faults << QStringLiteral("%1 reported success").arg(QLatin1String(what));
        else if (!writeFailureMessage(name, e).endsWith(QStringLiteral(" сохранить не возможно.")))
            faults
                << QStringLiteral("%1 gives \"%2\"").arg(QLatin1String(what), writeFailureMessage(name, e));
    };
    expectFailure("rewriting a card", kRewritten, o.rewrite);
    expectFailure("appending a purchase", kAppended, o.append);
    expectFailure("saving a new card", kNew, o.create);
    expectFailure("writing the goods catalogue", kGoods, o.goods);
    const QString changed = difference(before, after);
    if (!changed.isEmpty())
        faults << changed;
    return faults.join(QStringLiteral("; "));
}

// Snapshot of the data folder and of the folder that holds it (the goods file lives there).
Snapshot snapshotAll(const QString &top, const QString &baza)
{
    Snapshot s = snapshot(top);
    const Snapshot inner = snapshot(baza);
    for (auto it = inner.cbegin(); it != inner.cend(); ++it)
        s.insert(QStringLiteral("База/") + it.key(), it.value());
    return s;
}

bool writeText(const char *path, const QByteArray &text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

// A mount namespace of this process's own: as root directly, otherwise in a new user namespace.
QString enterPrivateMountNamespace()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace (%1)")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (!writeText("/proc/self/setgroups", "deny") ||
            !writeText("/proc/self/uid_map", QByteArray("0 ") + QByteArray::number(uid) + " 1") ||
            !writeText("/proc/self/gid_map", QByteArray("0 ") + QByteArray::number(gid) + " 1"))
            return QStringLiteral("cannot map the user into a user namespace");
    }
    // Nothing mounted here may reach the rest of the system.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make the mounts private (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

// Fills the file system that holds `path` to the last byte.
void fill(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const QByteArray chunk(4096, 'f');
    while (::write(fd, chunk.constData(), size_t(chunk.size())) > 0) {
    }
    while (::write(fd, "f", 1) == 1) {
    }
    ::close(fd);
}

constexpr int kCannotMount = 42;

} // namespace

class TestFullDisk : public QObject {
    Q_OBJECT

private slots:
    void writesOnAFullTmpfsFailAndChangeNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString top = dir.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(top));

        int pipeFds[2];
        QVERIFY(::pipe2(pipeFds, O_CLOEXEC) == 0);
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            const auto finish = [&](int code, const QString &report) {
                const QByteArray bytes = report.toUtf8();
                if (::write(pipeFds[1], bytes.constData(), size_t(bytes.size())) < 0)
                    code = 3;
                ::_exit(code);
            };
            QString why = enterPrivateMountNamespace();
            if (why.isEmpty() && ::mount("tmpfs", QFile::encodeName(top).constData(), "tmpfs",
                                         MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0)
                why = QStringLiteral("mount -t tmpfs refused (%1)")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
            if (!why.isEmpty())
                finish(kCannotMount, why);

            const QString baza = top + QStringLiteral("/База/");
            const QString goodsPath = top + QLatin1Char('/') + kGoods;
            QDir().mkpath(baza);
            // The appended card ends 40 bytes short of a page: part of a purchase still fits.
            const bool made = testfiles::writeAll(baza + kRewritten, cardOfSize(300)) &&
                              testfiles::writeAll(baza + kAppended, cardOfSize(2 * 4096 - 40)) &&
                              testfiles::writeAll(goodsPath, testfiles::crlf({"Телевизор", "Утюг"}));
            if (!made)
                finish(1, QStringLiteral("cannot write the files of the test on the tmpfs"));
            fill(top + QStringLiteral("/filler"));
            struct statvfs fs {};
            if (::statvfs(QFile::encodeName(top).constData(), &fs) != 0 || fs.f_bavail != 0)
                finish(1, QStringLiteral("the tmpfs could not be filled"));

            const Snapshot before = snapshotAll(top, baza);
            const Outcome o = writeEverything(baza, goodsPath);
            const QString faults = judge(o, before, snapshotAll(top, baza));
            finish(faults.isEmpty() ? 0 : 1, faults);
        }
        ::close(pipeFds[1]);
        QByteArray report;
        char buf[1024];
        for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
            report.append(buf, n);
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        QVERIFY2(WIFEXITED(status), "the child on the tmpfs crashed");
        if (WEXITSTATUS(status) == kCannotMount)
            QSKIP(qPrintable(
                QStringLiteral("a tmpfs cannot be mounted here (needs root or user namespaces): %1; "
                               "the file-size-limit test covers the same writes")
                    .arg(QString::fromUtf8(report))));
        QVERIFY2(WEXITSTATUS(status) == 0, report.constData());
    }

    void writesPastAFileSizeLimitFailAndChangeNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString top = dir.path();
        const QString baza = top + QStringLiteral("/База/");
        const QString goodsPath = top + QLatin1Char('/') + kGoods;
        QVERIFY(QDir().mkpath(baza));

        // Every write below needs more than the limit; the appended card is just under it, so that
        // part of the purchase is written before the write comes out short.
        constexpr rlim_t kLimit = 4096;
        QVERIFY(testfiles::writeAll(baza + kRewritten, cardOfSize(300)));
        QVERIFY(testfiles::writeAll(baza + kAppended, cardOfSize(kLimit - 40)));
        QVERIFY(testfiles::writeAll(goodsPath, testfiles::crlf({"Телевизор", "Утюг"})));
        QVERIFY(bigCard().size() > qsizetype(kLimit));
        const Snapshot before = snapshotAll(top, baza);

        int pipeFds[2];
        QVERIFY(::pipe2(pipeFds, O_CLOEXEC) == 0);
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit rl{kLimit, kLimit};
            ::setrlimit(RLIMIT_FSIZE, &rl);
            const Outcome o = writeEverything(baza, goodsPath);
            const int codes[4] = {int(o.rewrite), int(o.append), int(o.create), int(o.goods)};
            ::_exit(::write(pipeFds[1], codes, sizeof codes) == sizeof codes ? 0 : 3);
        }
        ::close(pipeFds[1]);
        int codes[4] = {};
        const bool got = ::read(pipeFds[0], codes, sizeof codes) == sizeof codes;
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        QVERIFY2(got && WIFEXITED(status) && WEXITSTATUS(status) == 0, "the child under the limit failed");

        const Outcome o{FileError(codes[0]), FileError(codes[1]), FileError(codes[2]), FileError(codes[3])};
        const QString faults = judge(o, before, snapshotAll(top, baza));
        QVERIFY2(faults.isEmpty(), qPrintable(faults));
    }
};

QTEST_GUILESS_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"

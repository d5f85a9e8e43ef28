// A till for the reliability tests, writing through the program's own libraries:
//
//   tarvesko_tillwriter <job> <data folder/> [--till t] [--count n] [--seed s] [--user uid:gid]
//
// The jobs are those of TillJobs.h: "sales", "cards", "goods" and "history" make writes 0 .. n-1
// of till t, with pauses the seed sets; "cycle" runs the crash test's round t until killed. Run by root,
// --user switches to that user and group first. It says 'r' on its output when ready, sets off on the first
// byte of its input (so that two tills start together), reports each write at once ('+' done, '!' refused)
// and exits with the number refused (a cycle stops at the first).
#include "GoodsCatalogue.h"
#include "TillJobs.h"

#include <QCommandLineParser>
#include <QThread>

#include <grp.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool report(FileError e)
{
    const char done = e == FileError::None ? '+' : '!';
    return ::write(STDOUT_FILENO, &done, 1) == 1 && e == FileError::None;
}

bool becomeUser(const QString &ids)
{
    const uid_t uid = ids.section(QLatin1Char(':'), 0, 0).toUInt();
    const gid_t gid = ids.section(QLatin1Char(':'), 1, 1).toUInt();
    return ::setgroups(1, &gid) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

int race(const QString &job, const QString &baza, int till, int count, quint64 seed)
{
    std::mt19937_64 rng(seed + quint64(till));
    int refused = 0;
    for (int n = 0, next = 1; n < count; ++n) {
        QThread::usleep(rng() % 2 ? rng() % 1000 : 0); // back to back half of the time
        const QByteArray bytes = tills::piece(job, till, n);
        FileError e = FileError::Other;
        if (job == u"sales") {
            e = safefile::appendToFile(baza + tills::kCard, bytes);
        } else if (job == u"cards") { // numbered on from the last card this till made
            const auto nameFor = [next](int k) {
                return QStringLiteral("%1.dat").arg(next + k, 8, 10, QLatin1Char('0'));
            };
            QString made;
            e = safefile::createNew(baza, nameFor, bytes, &made);
            next = made.isEmpty() ? next : made.left(8).toInt() + 1;
        } else if (job == u"goods") { // each save adds one name, as a till that was given one new
            GoodsCatalogue goods;
            goods.add(cp1251::decode(bytes));
            e = goods.save(baza + tills::kGoods);
        } else if (job == u"history") {
            e = tills::rewriteKeeping(baza, tills::kCard, bytes);
        }
        refused += !report(e);
    }
    return std::min(refused, 100);
}

// Goes on from where the folder stands: the version kCard holds, the blocks kAppended has.
int cycle(const QString &baza, int round)
{
    QByteArray bytes;
    int rewritten =
        safefile::readFile(baza + tills::kCard, bytes) == FileError::None && bytes == tills::version(1);
    if (safefile::readFile(baza + tills::kAppended, bytes) != FileError::None)
        return 1;
    int blocks = int(cardfile::parse(bytes).pokupki.size());
    for (int i = 0, created = 0;; ++i) {
        FileError e = FileError::None;
        switch (tills::opOf(round, i)) {
        case tills::Op::Replace:
            rewritten ^= 1;
            e = tills::rewriteKeeping(baza, tills::kCard, tills::version(rewritten));
            break;
        case tills::Op::Append:
            e = safefile::appendToFile(baza + tills::kAppended, tills::block(blocks++));
            break;
        case tills::Op::Create:
            e = tills::createCard(baza, created++);
            break;
        }
        if (!report(e))
            return 1;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("job"),
                                 QStringLiteral("sales, cards, goods, history or cycle"));
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("the data folder, ending with /"));
    const QCommandLineOption till(QStringLiteral("till"), QStringLiteral("till or round"),
                                  QStringLiteral("t"), QStringLiteral("0"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("writes"), QStringLiteral("n"),
                                   QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("pauses"), QStringLiteral("s"),
                                  QStringLiteral("0"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("user to run as"),
                                  QStringLiteral("uid:gid"));
    parser.addOptions({till, count, seed, user});
    parser.process(app);
    if (parser.positionalArguments().size() != 2)
        parser.showHelp(2);
    const QString job = parser.positionalArguments().at(0);
    const QString baza = parser.positionalArguments().at(1);

    ::alarm(120); // a till still writing after two minutes has hung
    if (parser.isSet(user) && !becomeUser(parser.value(user)))
        return 101;
    ::umask(022); // what a desktop session usually has: no group write unless the program sets it
    char gate = 0;
    if (::write(STDOUT_FILENO, "r", 1) != 1 || ::read(STDIN_FILENO, &gate, 1) != 1)
        return 102;
    const int t = parser.value(till).toInt();
    return job == u"cycle"
               ? cycle(baza, t)
               : race(job, baza, t, parser.value(count).toInt(), parser.value(seed).toULongLong());
}

// tarvesko_bench: the customer base at scale, measured against the raw disk.
//
// For each N it keeps a folder of N generated cards under the data root (made once, reused by
// later runs), then measures with warm caches, median of several runs:
//   raw        a plain C++ loop: readdir "*.dat" and the first five lines of every file;
//   LoadBaza   the folder scan of the customer list (bazascan::scan);
//   ReFIO      the sorted, numbered list refilled and painted (CustomerBase::ReFIO, panel shown);
//   start-up   a fresh process building the main window as main() does, to the window shown;
//   recording  one purchase typed into the panel and OK pressed, N customers indexed;
//   opening / saving one card; peak resident memory of the started program.
// It prints one table and exits non-zero when a target at N = 100,000 is missed.
#include "BenchData.h"
#include "Probe.h"
#include "RawScan.h"

#include "BazaScan.h"
#include "CardSearch.h"
#include "Collation.h"
#include "Cp1251.h"
#include "CustomerBase.h"
#include "Dialogs.h"
#include "FioOrder.h"
#include "FrmForma.h"
#include "KlientIndex.h"
#include "NumberForm.h"
#include "ProgramFont.h"
#include "SafeFile.h"
#include "Shop.h"
#include "UsrForma.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QListView>
#include <QSysInfo>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double timeIt(const std::function<void()> &f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

qint64 medianKb(std::vector<qint64> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

qint64 fileSize(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

// Records what the operator would be told and answers every question with Yes.
class BenchDialogs final : public Dialogs {
public:
    BenchDialogs() { Dialogs::install(this); }
    ~BenchDialogs() override { Dialogs::install(nullptr); }
    void critical(QWidget *, const QString &text) override { messages.append(text); }
    bool confirm(QWidget *, const QString &) override { return true; }
    QStringList messages;
};

struct Options {
    QList<int> sizes{1000, 10000, 100000};
    int runs = 5;
    QString dataRoot = QStringLiteral("/tmp");
    bool regenerate = false;
};

struct Figures {
    int n = 0;
    qint64 bytes = 0;
    double generatedSecs = 0;
    double raw = 0, scan = 0, fioOrder = 0, refio = 0, refioHidden = 0, loadBaza = 0;
    double startup = 0, startupReady = 0, closing = 0;
    double toMain = 0, toApp = 0, toWindow = 0; // start-up phases: main() reached, QApplication, window built
    qint64 rssShownKb = 0, rssReadyKb = 0, rssDailyKb = 0;
    double record = 0, recordLast = 0, open = 0, saveSame = 0, saveChanged = 0;
    double saveNew = 0, refioAfterNew = 0, failedOpen = 0;
    double open1000 = 0, delete1000 = 0, deleteSmall = 0;
    double otherTillSeen = 0, watcherRaw = 0, idleCpu = 0; // another till's write, until listed
    QStringList problems;                                  // wrong results: the figures cannot be trusted
};

void problem(Figures &fig, const QString &text)
{
    fig.problems.append(text);
    std::fprintf(stderr, "bench: N=%d: %s\n", fig.n, qPrintable(text));
}

// Raw and scan runs alternate, so that both see the same state of the machine.
void measureScan(const benchdata::Folder &folder, int runs, Figures &fig)
{
    const std::string native = QFile::encodeName(folder.baza).toStdString();
    std::vector<RawCard> raw = rawScan(native); // warms the caches
    QList<KlientRec> scanned = bazascan::scan(folder.baza);
    if (int(raw.size()) != folder.count || int(scanned.size()) != folder.count)
        problem(fig, QStringLiteral("raw found %1 cards, the scan %2").arg(raw.size()).arg(scanned.size()));

    // The scan must read what the raw loop reads.
    std::sort(raw.begin(), raw.end(), [](const RawCard &a, const RawCard &b) { return a.name < b.name; });
    for (size_t i = 0; i < raw.size() && i < size_t(scanned.size()); ++i) {
        const KlientRec &r = scanned[qsizetype(i)];
        const RawCard &c = raw[i];
        if (r.FileName != QString::fromStdString(c.name) || r.Familiya != cp1251::decode(c.lines[0]) ||
            r.Telephon1 != cp1251::decode(c.lines[3]) || r.Telephon2 != cp1251::decode(c.lines[4])) {
            problem(fig, QStringLiteral("the scan differs from the raw read at %1").arg(r.FileName));
            break;
        }
    }
    raw = {};
    scanned = {};

    std::vector<double> rawTimes, scanTimes;
    for (int i = 0; i < runs; ++i) {
        rawTimes.push_back(timeIt([&] { raw = rawScan(native); }));
        raw = {};
        scanTimes.push_back(timeIt([&] { scanned = bazascan::scan(folder.baza); }));
        scanned = {};
    }
    fig.raw = median(rawTimes);
    fig.scan = median(scanTimes);
}

void measureStartUp(const benchdata::Folder &folder, int runs, Figures &fig)
{
    probe::measure(folder.baza, folder.goods); // warms the caches and the libraries
    std::vector<double> shown, ready, closed, toMain, toApp, toWindow;
    std::vector<qint64> rssShown, rssReady;
    for (int i = 0; i < runs; ++i) {
        const probe::StartUp s = probe::measure(folder.baza, folder.goods);
        if (!s.ok || s.count != folder.count) {
            problem(fig, QStringLiteral("the start-up probe failed (indexed %1 customers)").arg(s.count));
            return;
        }
        shown.push_back(s.shownSecs);
        ready.push_back(s.readySecs);
        closed.push_back(s.closedSecs);
        for (const probe::StartUp::Phase &p : s.phases) {
            if (p.name == QLatin1String("main"))
                toMain.push_back(p.secs);
            else if (p.name == QLatin1String("app"))
                toApp.push_back(p.secs);
            else if (p.name == QLatin1String("window"))
                toWindow.push_back(p.secs);
        }
        rssShown.push_back(s.hwmShownKb);
        rssReady.push_back(s.hwmReadyKb);
    }
    fig.startup = median(shown);
    fig.startupReady = median(ready);
    fig.closing = median(closed);
    fig.toMain = median(toMain);
    fig.toApp = median(toApp);
    fig.toWindow = median(toWindow);
    fig.rssShownKb = medianKb(rssShown);
    fig.rssReadyKb = medianKb(rssReady);

    // The first start of a day: the automatic backup beside the search's reading.
    std::vector<qint64> rssDaily;
    for (int i = 0; i < std::min(runs, 3); ++i) {
        const probe::StartUp s = probe::measure(folder.baza, folder.goods, true);
        if (!s.ok) {
            problem(fig, QStringLiteral("the first-start-of-day probe failed"));
            return;
        }
        rssDaily.push_back(s.hwmDailyKb);
    }
    fig.rssDailyKb = medianKb(rssDaily);
}

// Everything measured inside one running main window with the folder indexed.
class WindowBench {
public:
    WindowBench(const benchdata::Folder &folder, int runs, Figures &fig)
        : m_folder(folder), m_runs(runs), m_fig(fig), m_restorer(folder.baza),
          m_shop(folder.baza, folder.goods), m_window(m_shop)
    {
        m_window.show();
        QCoreApplication::processEvents();
        m_window.finishStartUp();
        m_shop.search().waitUntilReady();
        if (index().KlientCount() != folder.count)
            problem(fig, QStringLiteral("the window indexed %1 customers").arg(index().KlientCount()));
    }

    ~WindowBench() { m_restorer.restore(); }

    void run()
    {
        checkOrder();
        m_fig.fioOrder = median(repeat(m_runs, [&] { (void)fioOrder(index()); }));
        m_fig.refioHidden = median(repeat(m_runs, [&] { m_shop.customers().ReFIO(); }));
        m_fig.refio = refioShown();
        m_fig.loadBaza = median(repeat(
            m_runs, [&] { m_shop.customers().LoadBaza(); }, [&] { m_shop.search().waitUntilReady(); }));
        measureOpen();
        measureRecord();
        measureSave();
        measureNewCard();
        measureDeletes();
        measureOtherTill();
        measureFailedOpen(); // last: it leaves one card out of the index
    }

private:
    KlientIndex &index() { return m_shop.customers().index(); }
    QLineEdit *edit(const QString &name) { return m_window.findChild<QLineEdit *>(name); }

    // `runs` timings of `f`; `after` runs untimed after each.
    static std::vector<double> repeat(int runs, const std::function<void()> &f,
                                      const std::function<void()> &after = {})
    {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            times.push_back(timeIt(f));
            if (after)
                after();
        }
        return times;
    }

    // The list as the operator sees it after F5 or a save: refilled, laid out and painted.
    double refioShown()
    {
        m_window.FileList_Click();
        QCoreApplication::processEvents();
        QListView *list = m_window.usrForma()->fioList();
        const double t = median(repeat(m_runs, [&] {
            m_shop.customers().ReFIO();
            QCoreApplication::processEvents();
            list->viewport()->repaint();
        }));
        if (list->model()->rowCount() != index().KlientCount())
            problem(m_fig, QStringLiteral("the list shows %1 lines").arg(list->model()->rowCount()));
        m_window.UsrFormaV();
        return t;
    }

    // The list order must be the collator's order of the keys "<FIO>|<position>".
    void checkOrder()
    {
        const QList<int> order = fioOrder(index());
        const QCollator collator = russianCollator();
        const auto key = [&](int p) { return index().at(p).FIO + QLatin1Char('|') + numform::numText(p); };
        for (qsizetype i = 1; i < order.size(); ++i) {
            if (collator.compare(key(order[i - 1]), key(order[i])) > 0) {
                problem(m_fig, QStringLiteral("list order differs from the collator at line %1").arg(i));
                return;
            }
        }
    }

    int randomPosition() { return int(m_rng() % unsigned(index().KlientCount())); }

    void measureOpen()
    {
        std::vector<double> times;
        for (int i = 0; i < 4 * m_runs + 1; ++i) {
            const int p = randomPosition();
            times.push_back(timeIt([&] { m_window.OpenFile(p); }));
            if (m_window.CurFile() != index().at(p).FileName)
                problem(m_fig, QStringLiteral("opening %1 failed").arg(index().at(p).FileName));
        }
        m_fig.open = median(times);
    }

    // One purchase typed into the panel for the customer at `p`; OK appends a block to the card
    // of the first customer with that surname and phones.
    double recordFor(int p)
    {
        const KlientRec rec = index().at(p);
        const int found = index().findCustomer(rec.Familiya, rec.Telephon1, rec.Telephon2);
        const QString file = index().at(found).FileName;
        m_restorer.remember(file);
        const qint64 before = fileSize(m_folder.baza + file);
        const qsizetype messages = m_dialogs.messages.size();

        m_window.EditNewPokupka_Click();
        edit(QStringLiteral("PokupkaTxt_0"))->setText(rec.Familiya);
        edit(QStringLiteral("PokupkaTxt_1"))->setText(rec.Telephon1);
        edit(QStringLiteral("PokupkaTxt_2"))->setText(rec.Telephon2);
        m_window.findChild<QComboBox *>(QStringLiteral("PokupkaTovar"))
            ->setEditText(QStringLiteral("Телевизор"));
        edit(QStringLiteral("PokupkaTxt_5"))->setText(QStringLiteral("1500"));
        m_window.AddIzdelie(QStringLiteral("Пульт"), QStringLiteral("SN-%1").arg(900000 + p % 100000));

        const double t = timeIt([&] { m_window.kOK_Click(); });
        if (m_dialogs.messages.size() != messages || fileSize(m_folder.baza + file) <= before)
            problem(m_fig, QStringLiteral("recording a purchase for %1 appended nothing").arg(file));
        return t;
    }

    void measureRecord()
    {
        std::vector<double> times;
        for (int i = 0; i < 4 * m_runs + 1; ++i)
            times.push_back(recordFor(randomPosition()));
        m_fig.record = median(times);
        // The last customer of the index: the whole index is searched.
        std::vector<double> last;
        for (int i = 0; i < m_runs; ++i)
            last.push_back(recordFor(index().KlientCount() - 1));
        m_fig.recordLast = median(last);
    }

    void measureSave()
    {
        std::vector<double> same, changed;
        for (int i = 0; i < m_runs; ++i) {
            const int p = randomPosition();
            m_restorer.remember(index().at(p).FileName);
            m_window.OpenFile(p);
            same.push_back(timeIt([&] { m_window.FileSave_Click(); }));

            // A changed name: the entry is rewritten and the list refilled.
            edit(QStringLiteral("BzDTxt_2"))->setText(QStringLiteral("Изменённый"));
            changed.push_back(timeIt([&] { m_window.FileSave_Click(); }));
            if (!m_dialogs.messages.isEmpty() || m_window.CardChanged() ||
                index().at(p).FIO != edit(QStringLiteral("BzDTxt_0"))->text() + QLatin1Char(' ') +
                                         edit(QStringLiteral("BzDTxt_1"))->text() +
                                         QStringLiteral(" Изменённый"))
                problem(m_fig, QStringLiteral("saving %1 failed").arg(index().at(p).FileName));
        }
        m_fig.saveSame = median(same);
        m_fig.saveChanged = median(changed);
    }

    void measureNewCard()
    {
        m_window.FileNewKlient_Click();
        const QStringList texts{QStringLiteral("Новиков"),
                                QStringLiteral("Пётр"),
                                QStringLiteral("Ильич"),
                                QStringLiteral("5"),
                                QStringLiteral("1970"),
                                QStringLiteral("2123456"),
                                QString()};
        for (int i = 0; i < 7; ++i)
            edit(QStringLiteral("BzDTxt_%1").arg(i))->setText(texts[i]);
        const int before = index().KlientCount();
        m_fig.saveNew = timeIt([&] { m_window.FileSave_Click(); });
        m_restorer.created(m_window.CurFile());
        if (index().KlientCount() != before + 1)
            problem(m_fig, QStringLiteral("saving a new card added no customer"));
        m_fig.refioAfterNew = refioShown();
    }

    // Deletes purchases one by one from the middle of a card of `purchases` purchases; the median
    // time of one deletion (each saves the card).
    double deletions(int p, int purchases, int count, double *openTime)
    {
        const QString file = index().at(p).FileName;
        m_restorer.remember(file);
        QFile out(m_folder.baza + file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(benchdata::cardWithPurchases(std::uint64_t(p), purchases)) < 0)
            problem(m_fig, QStringLiteral("cannot write %1").arg(file));
        out.close();
        const double t = timeIt([&] { m_window.OpenFile(p); });
        if (openTime)
            *openTime = t;
        auto *list = m_window.findChild<QListView *>(QStringLiteral("PokupkiLst"));
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            const int n = list->model()->rowCount();
            list->setCurrentIndex(list->model()->index(n / 2, 0));
            times.push_back(timeIt([&] { m_window.DelPokupku1_Click(); }));
            if (list->model()->rowCount() != n - 1 || m_window.Pokupki().size() != n - 1)
                problem(m_fig, QStringLiteral("deleting a purchase of %1 failed").arg(file));
        }
        return median(times);
    }

    void measureDeletes()
    {
        const int count = std::min(21, 4 * m_runs + 1);
        m_fig.delete1000 = deletions(randomPosition(), 1000, count, &m_fig.open1000);
        m_fig.deleteSmall = deletions(randomPosition(), 40, count, nullptr);
    }

    // Another till renames a customer: how long until this window's list has the new name, against
    // a bare folder watcher told of the same kind of write; and what the watching costs while idle.
    void measureOtherTill()
    {
        std::vector<double> seen, raw;
        for (int i = 0; i < m_runs; ++i) {
            const int p = randomPosition();
            const QString file = index().at(p).FileName;
            m_restorer.remember(file);
            QByteArray card = readCard(file);
            const QString renamed = QStringLiteral("Переименованный%1").arg(i);
            card.replace(0, card.indexOf('\r'), cp1251::encode(renamed));
            seen.push_back(untilTrue([&] { (void)safefile::replaceFile(m_folder.baza + file, card); },
                                     [&] { return index().at(p).Familiya == renamed; }));

            QFileSystemWatcher bare({m_folder.baza});
            bool told = false;
            QObject::connect(&bare, &QFileSystemWatcher::directoryChanged, [&] { told = true; });
            raw.push_back(untilTrue([&] { (void)safefile::replaceFile(m_folder.baza + file, card); },
                                    [&] { return told; }));
        }
        m_fig.otherTillSeen = median(seen);
        m_fig.watcherRaw = median(raw);
        if (m_fig.otherTillSeen < 0 || m_fig.watcherRaw < 0)
            problem(m_fig, QStringLiteral("another till's write was not seen within 15 s"));

        // Idle: once the listing after the last write is done (2 s), the event loop runs for 12 s,
        // two rounds of the folder's 5 s poll.
        QEventLoop settle;
        QTimer::singleShot(2000, &settle, &QEventLoop::quit);
        settle.exec();
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        QEventLoop idle;
        QTimer::singleShot(12000, &idle, &QEventLoop::quit);
        idle.exec();
        ::getrusage(RUSAGE_SELF, &after);
        const auto secs = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
        m_fig.idleCpu =
            (secs(after.ru_utime) + secs(after.ru_stime) - secs(before.ru_utime) - secs(before.ru_stime)) /
            12.0;
    }

    QByteArray readCard(const QString &file)
    {
        QByteArray bytes;
        if (safefile::readFile(m_folder.baza + file, bytes) != FileError::None)
            problem(m_fig, QStringLiteral("cannot read %1").arg(file));
        return bytes;
    }

    // Seconds from `act` until `done` holds while events run, or -1 after 15 s.
    static double untilTrue(const std::function<void()> &act, const std::function<bool()> &done)
    {
        const auto start = std::chrono::steady_clock::now();
        act();
        while (!done()) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(15))
                return -1;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // A card that disappeared: the open fails, says so and rescans the folder.
    void measureFailedOpen()
    {
        const int p = randomPosition();
        const QString file = index().at(p).FileName;
        m_restorer.remember(file);
        QFile::remove(m_folder.baza + file);
        m_dialogs.messages.clear();
        const int expected = index().KlientCount() - 1; // the new card saved before is listed too
        m_fig.failedOpen = timeIt([&] { m_window.OpenFile(p); });
        m_shop.search().waitUntilReady();
        if (m_dialogs.messages.size() != 1 || index().KlientCount() != expected)
            problem(m_fig, QStringLiteral("a failed open did not rescan the folder"));
    }

    const benchdata::Folder &m_folder;
    int m_runs;
    Figures &m_fig;
    BenchDialogs m_dialogs;
    benchdata::Restorer m_restorer;
    Shop m_shop;
    FrmForma m_window;
    std::mt19937 m_rng{20240607};
};

Figures measure(int n, const Options &options)
{
    Figures fig;
    fig.n = n;
    std::fprintf(stderr, "bench: N=%d: preparing the folder...\n", n);
    const benchdata::Folder folder = benchdata::ensure(options.dataRoot, n, options.regenerate);
    fig.bytes = folder.bytes;
    fig.generatedSecs = folder.generatedSecs;
    const int runs = n >= 1000000 ? std::max(3, options.runs / 2 + 1) : options.runs;

    std::fprintf(stderr, "bench: N=%d: scan...\n", n);
    measureScan(folder, runs, fig);
    std::fprintf(stderr, "bench: N=%d: start-up...\n", n);
    measureStartUp(folder, runs, fig);
    std::fprintf(stderr, "bench: N=%d: the main window...\n", n);
    {
        WindowBench window(folder, runs, fig);
        window.run();
    }
    return fig;
}

// ---------------------------------------------------------------- the table

QString timeText(double secs)
{
    if (std::isnan(secs))
        return QStringLiteral("-");
    if (secs >= 1)
        return QString::number(secs, 'f', 2) + QStringLiteral(" s");
    if (secs >= 0.01)
        return QString::number(secs * 1e3, 'f', 1) + QStringLiteral(" ms");
    return QString::number(secs * 1e3, 'f', 2) + QStringLiteral(" ms");
}

QString mbText(qint64 kb)
{
    return QString::number(double(kb) / 1024, 'f', 1) + QStringLiteral(" MB");
}

struct Row {
    QString name;
    std::function<QString(const Figures &)> value;
    // The target at N = 100,000: its text and whether the figures meet it; none for a bare figure.
    std::function<QString(const Figures &)> target;
    std::function<bool(const Figures &)> met;
};

QString pad(const QString &s, int width, bool right = false)
{
    const int fill = std::max(0, width - int(s.size()));
    return right ? QString(fill, QLatin1Char(' ')) + s : s + QString(fill, QLatin1Char(' '));
}

QString readFirstLine(const QString &path, const QByteArray &prefix)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return {};
}

QString fileSystemOf(const QString &path)
{
    struct statfs fs {};
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return QStringLiteral("?");
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:
        return QStringLiteral("ext4");
    case 0x01021994:
        return QStringLiteral("tmpfs");
    case 0x58465342:
        return QStringLiteral("xfs");
    case 0x9123683E:
        return QStringLiteral("btrfs");
    case 0x794c7630:
        return QStringLiteral("overlayfs");
    default:
        return QStringLiteral("0x%1").arg(qulonglong(fs.f_type), 0, 16);
    }
}

constexpr int kTargetN = 100000;

int printTable(const QList<Figures> &all, const Options &options)
{
    const auto perCard = [](double secs, int n) { return secs / n * 1e6; };
    QList<Row> rows{
        {QStringLiteral("raw: readdir + first 5 lines"),
         [](const Figures &f) { return timeText(f.raw); },
         {},
         {}},
        {QStringLiteral("LoadBaza: folder scan"), [](const Figures &f) { return timeText(f.scan); },
         [](const Figures &f) { return QStringLiteral("<= %1 (1.5 x raw)").arg(timeText(1.5 * f.raw)); },
         [](const Figures &f) { return f.scan <= 1.5 * f.raw; }},
        {QStringLiteral("LoadBaza / raw"),
         [](const Figures &f) { return QString::number(f.scan / f.raw, 'f', 2) + QStringLiteral(" x"); },
         [](const Figures &) { return QStringLiteral("<= 1.50 x"); },
         [](const Figures &f) { return f.scan <= 1.5 * f.raw; }},
        {QStringLiteral("ReFIO: sort + list, shown"), [](const Figures &f) { return timeText(f.refio); },
         [](const Figures &) { return QStringLiteral("<= 200 ms"); },
         [](const Figures &f) { return f.refio <= 0.2; }},
        {QStringLiteral("  of which the sort (fioOrder)"),
         [](const Figures &f) { return timeText(f.fioOrder); },
         {},
         {}},
        {QStringLiteral("  ReFIO, panel hidden"),
         [](const Figures &f) { return timeText(f.refioHidden); },
         {},
         {}},
        {QStringLiteral("F5: LoadBaza + ReFIO"),
         [](const Figures &f) { return timeText(f.loadBaza); },
         {},
         {}},
        {QStringLiteral("start-up to window shown"), [](const Figures &f) { return timeText(f.startup); },
         [](const Figures &f) {
             return QStringLiteral("<= %1 (2 x raw + 0.5 s)").arg(timeText(2 * f.raw + 0.5));
         },
         [](const Figures &f) { return f.startup <= 2 * f.raw + 0.5; }},
        {QStringLiteral("  reached main()"), [](const Figures &f) { return timeText(f.toMain); }, {}, {}},
        {QStringLiteral("  QApplication and font made"),
         [](const Figures &f) { return timeText(f.toApp); },
         {},
         {}},
        {QStringLiteral("  main window built, indexed"),
         [](const Figures &f) { return timeText(f.toWindow); },
         {},
         {}},
        {QStringLiteral("  to search index read (bg)"),
         [](const Figures &f) { return timeText(f.startupReady); },
         {},
         {}},
        {QStringLiteral("closing the window"), [](const Figures &f) { return timeText(f.closing); }, {}, {}},
        {QStringLiteral("record one purchase (OK)"), [](const Figures &f) { return timeText(f.record); },
         [](const Figures &) { return QStringLiteral("<= 5 ms"); },
         [](const Figures &f) { return f.record <= 0.005; }},
        {QStringLiteral("  for the last customer"),
         [](const Figures &f) { return timeText(f.recordLast); },
         {},
         {}},
        {QStringLiteral("open one card"), [](const Figures &f) { return timeText(f.open); },
         [](const Figures &) { return QStringLiteral("<= 5 ms"); },
         [](const Figures &f) { return f.open <= 0.005; }},
        {QStringLiteral("save one card, header same"),
         [](const Figures &f) { return timeText(f.saveSame); },
         {},
         {}},
        {QStringLiteral("save one card, name changed"),
         [](const Figures &f) { return timeText(f.saveChanged); },
         {},
         {}},
        {QStringLiteral("another till's rename listed"),
         [](const Figures &f) { return timeText(f.otherTillSeen); },
         [](const Figures &f) {
             return QStringLiteral("<= %1 (raw watcher + 1 s)").arg(timeText(f.watcherRaw + 1));
         },
         [](const Figures &f) { return f.otherTillSeen <= f.watcherRaw + 1; }},
        {QStringLiteral("  raw: a folder watcher told"),
         [](const Figures &f) { return timeText(f.watcherRaw); },
         {},
         {}},
        {QStringLiteral("idle CPU, window open"),
         [](const Figures &f) { return QString::number(100 * f.idleCpu, 'f', 2) + QStringLiteral(" %"); },
         [](const Figures &) { return QStringLiteral("<= 1 % of a core"); },
         [](const Figures &f) { return f.idleCpu <= 0.01; }},
        {QStringLiteral("peak RSS, window shown"), [](const Figures &f) { return mbText(f.rssShownKb); },
         [](const Figures &) { return QStringLiteral("<= 150 MB"); },
         [](const Figures &f) { return f.rssShownKb <= 150 * 1024; }},
        {QStringLiteral("peak RSS, first start of a day"),
         [](const Figures &f) { return mbText(f.rssDailyKb); },
         [](const Figures &f) {
             return QStringLiteral("<= 150 MB, the backup <= +20 MB (+%1)")
                 .arg(mbText(f.rssDailyKb - f.rssReadyKb));
         },
         [](const Figures &f) {
             return f.rssDailyKb <= 150 * 1024 && f.rssDailyKb - f.rssReadyKb <= 20 * 1024;
         }},
        {QStringLiteral("peak RSS, search index read"), [](const Figures &f) { return mbText(f.rssReadyKb); },
         [](const Figures &) { return QStringLiteral("<= 150 MB"); },
         [](const Figures &f) { return f.rssReadyKb <= 150 * 1024; }},
        {QStringLiteral("- growth checks -"), [](const Figures &) { return QString(); }, {}, {}},
        {QStringLiteral("save a new card (+ReFIO)"),
         [](const Figures &f) { return timeText(f.saveNew); },
         {},
         {}},
        {QStringLiteral("ReFIO after a new card"),
         [](const Figures &f) { return timeText(f.refioAfterNew); },
         {},
         {}},
        {QStringLiteral("failed open -> LoadBaza"),
         [](const Figures &f) { return timeText(f.failedOpen); },
         {},
         {}},
        {QStringLiteral("open a card of 1000 purchases"),
         [](const Figures &f) { return timeText(f.open1000); },
         {},
         {}},
        {QStringLiteral("delete 1 of ~1000 purchases"),
         [](const Figures &f) { return timeText(f.delete1000); },
         {},
         {}},
        {QStringLiteral("delete 1 of 20-40 purchases"),
         [](const Figures &f) { return timeText(f.deleteSmall); },
         {},
         {}},
        {QStringLiteral("raw per card"),
         [&](const Figures &f) {
             return QString::number(perCard(f.raw, f.n), 'f', 2) + QStringLiteral(" us");
         },
         {},
         {}},
        {QStringLiteral("LoadBaza per card"),
         [&](const Figures &f) {
             return QString::number(perCard(f.scan, f.n), 'f', 2) + QStringLiteral(" us");
         },
         {},
         {}},
        {QStringLiteral("ReFIO per card"),
         [&](const Figures &f) {
             return QString::number(perCard(f.refio, f.n), 'f', 2) + QStringLiteral(" us");
         },
         {},
         {}},
        {QStringLiteral("RSS (shown) per card"),
         [](const Figures &f) {
             return QString::number(double(f.rssShownKb) * 1024 / f.n, 'f', 0) + QStringLiteral(" B");
         },
         {},
         {}},
    };

    const Figures *target = nullptr;
    for (const Figures &f : all)
        if (f.n == kTargetN)
            target = &f;

    QTextStream out(stdout);
    out << "tarvesko_bench: customer base at scale, warm cache, median of " << options.runs << " runs\n";
    out << "machine: " << readFirstLine(QStringLiteral("/proc/cpuinfo"), "model name") << ", "
        << ::sysconf(_SC_NPROCESSORS_ONLN) << " cores, " << QSysInfo::prettyProductName() << ", kernel "
        << QSysInfo::kernelVersion() << ", Qt " << qVersion() << "\n";
    out << "data: " << options.dataRoot << "/tarvesko-bench-N/База (" << fileSystemOf(options.dataRoot)
        << ")";
    for (const Figures &f : all)
        out << "; N=" << f.n << ": " << mbText(f.bytes / 1024)
            << (f.generatedSecs > 0 ? QStringLiteral(", generated in %1").arg(timeText(f.generatedSecs))
                                    : QString());
    out << "\n\n";

    constexpr int nameWidth = 32;
    constexpr int colWidth = 12;
    out << pad(QStringLiteral("measure"), nameWidth);
    for (const Figures &f : all)
        out << pad(QStringLiteral("N=%1").arg(f.n), colWidth, true);
    if (target)
        out << "   target at N=100000";
    out << "\n";

    int missed = 0;
    for (const Row &row : rows) {
        out << pad(row.name, nameWidth);
        for (const Figures &f : all)
            out << pad(row.value(f), colWidth, true);
        if (target && row.target) {
            const bool ok = row.met(*target);
            missed += ok ? 0 : 1;
            out << "   " << pad(row.target(*target), 30) << (ok ? "ok" : "MISSED");
        }
        out << "\n";
    }

    // Growth from one size to the next, per card: 1.0 is linear, a sort's n log n gives about 1.2
    // from 100,000 to 1,000,000.
    if (all.size() >= 2) {
        const Figures &a = all[all.size() - 2];
        const Figures &b = all.last();
        const double scale = double(b.n) / a.n;
        QList<std::pair<QString, double>> growth{
            {QStringLiteral("raw"), b.raw / a.raw / scale},
            {QStringLiteral("LoadBaza"), b.scan / a.scan / scale},
            {QStringLiteral("ReFIO"), b.refio / a.refio / scale},
            {QStringLiteral("start-up"), b.startup / a.startup / scale},
        };
        // Memory above what the smallest folder needs, so that the program's own share stays out.
        if (all.size() >= 3 && a.rssShownKb > all.first().rssShownKb)
            growth.append({QStringLiteral("peak RSS"), double(b.rssShownKb - all.first().rssShownKb) /
                                                           double(a.rssShownKb - all.first().rssShownKb) /
                                                           scale});
        out << "\ngrowth per card from N=" << a.n << " to N=" << b.n << " (1.00 = linear):";
        QStringList faster;
        for (const auto &[name, g] : growth) {
            out << " " << name << " " << QString::number(g, 'f', 2);
            if (g > 1.3)
                faster << name;
        }
        out << "\n"
            << (faster.isEmpty()
                    ? QStringLiteral("nothing grows faster than linearly (every figure <= 1.30)")
                    : QStringLiteral("faster than linearly (> 1.30): ") + faster.join(QStringLiteral(", ")))
            << "\n";

        // One operation on one card should not care how many customers there are. Each of these
        // waits for the disk (fsync), which alone varies by a millisecond from run to run.
        const QList<std::pair<QString, double>> flat{
            {QStringLiteral("recording"), b.record / a.record},
            {QStringLiteral("opening"), b.open / a.open},
            {QStringLiteral("saving (header same)"), b.saveSame / a.saveSame},
            {QStringLiteral("deleting 1 of ~1000"), b.delete1000 / a.delete1000},
        };
        out << "one card's operation from N=" << a.n << " to N=" << b.n << " (1.00 = flat):";
        QStringList growing;
        for (const auto &[name, g] : flat) {
            out << " " << name << " " << QString::number(g, 'f', 2);
            if (g > 3)
                growing << name;
        }
        out << "\n"
            << (growing.isEmpty()
                    ? QStringLiteral("none grows with the base (every figure <= 3.00)")
                    : QStringLiteral("grows with the base (> 3.00): ") + growing.join(QStringLiteral(", ")))
            << "\n";
    }

    int problems = 0;
    for (const Figures &f : all)
        problems += int(f.problems.size());
    if (problems)
        out << "\n" << problems << " wrong result(s): see the messages above; the figures do not count\n";
    if (target)
        out << "\n"
            << (missed ? QStringLiteral("%1 target(s) MISSED at N=100000").arg(missed)
                       : QStringLiteral("every target met at N=100000"))
            << "\n";
    out.flush();
    return problems ? 2 : (missed ? 1 : 0);
}

Options parseOptions(const QStringList &args)
{
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--sizes")) {
            o.sizes.clear();
            for (const QString &s : next.split(QLatin1Char(','), Qt::SkipEmptyParts))
                o.sizes.append(s.toInt());
            ++i;
        } else if (a == QLatin1String("--million")) {
            if (!o.sizes.contains(1000000))
                o.sizes.append(1000000);
        } else if (a == QLatin1String("--runs")) {
            o.runs = std::max(1, next.toInt());
            ++i;
        } else if (a == QLatin1String("--data")) {
            o.dataRoot = next;
            ++i;
        } else if (a == QLatin1String("--regenerate")) {
            o.regenerate = true;
        } else {
            std::fprintf(
                stderr,
                "usage: tarvesko_bench [--sizes 1000,10000,100000] [--million] [--runs 5] [--data /tmp] "
                "[--regenerate]\n"
                "  --million     adds N = 1,000,000 (no target; the folder takes a few minutes to make)\n");
            std::exit(a == QLatin1String("--help") ? 0 : 2);
        }
    }
    std::sort(o.sizes.begin(), o.sizes.end());
    return o;
}

QtMessageHandler g_standardHandler = nullptr;

// The headless platform's notes about what it cannot do are no news here.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (g_standardHandler)
        g_standardHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char **argv)
{
    g_standardHandler = qInstallMessageHandler(quietHandler);
    if (argc > 1 && std::strcmp(argv[1], "--probe") == 0)
        return probe::run(argc, argv);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setFont(programFont());
    const Options options = parseOptions(QCoreApplication::arguments());

    QList<Figures> all;
    for (int n : options.sizes)
        all.append(measure(n, options));
    return printTable(all, options);
}

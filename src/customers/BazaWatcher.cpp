#include "BazaWatcher.h"

#include "BazaScan.h"
#include "FileName.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QtConcurrentRun>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::chrono::milliseconds kPollInterval{5000};
constexpr std::chrono::milliseconds kSettle{250};

std::int64_t mtimeNs(const struct stat &st)
{
    return std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

QString decodedName(const std::string &name)
{
    return filename::decode(QByteArray(name.data(), qsizetype(name.size())));
}

} // namespace

BazaWatcher::BazaWatcher(const QString &bazaPath, Listening listening, QObject *parent)
    : QObject(parent), m_bazaPath(bazaPath)
{
    if (listening == Listening::KernelAndPoll) {
        m_kernel = new QFileSystemWatcher(this);
        connect(m_kernel, &QFileSystemWatcher::directoryChanged, this, &BazaWatcher::settleThenList);
    }
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettle);
    connect(&m_settle, &QTimer::timeout, this, &BazaWatcher::startListing);
    m_pool.setMaxThreadCount(1);
    connect(&m_listing, &QFutureWatcherBase::finished, this, &BazaWatcher::listingDone);
    m_poll.setInterval(kPollInterval);
    connect(&m_poll, &QTimer::timeout, this, &BazaWatcher::poll);
    m_poll.start();

    // By the kernel's coarse clock, which file times never fall behind: a card changed from now
    // on has a change time at least this one (a card changed in the same tick just before is
    // reported too, and read once more).
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    m_madeNs = std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    m_seen = folderTime();
    watchFolder();
}

void BazaWatcher::start(QStringList known)
{
    m_known = std::move(known);
    m_started = true;
    startListing();
}

BazaWatcher::~BazaWatcher()
{
    // A listing not begun yet is dropped; one under way ends soon: it only reads the folder.
    m_listing.cancel();
    m_listing.waitForFinished();
}

void BazaWatcher::noteOwnWrite(const QString &fileName)
{
    if (m_listingUnderWay)
        m_ownWriteSeen = true;
    Card card;
    card.name = filename::encode(fileName).toStdString();
    const auto byName = [](const Card &a, const Card &b) { return a.name < b.name; };
    const auto it = std::lower_bound(m_cards.begin(), m_cards.end(), card, byName);
    const bool listed = it != m_cards.end() && it->name == card.name;

    struct stat st {};
    const QByteArray path = filename::encode(m_bazaPath + fileName);
    if (::fstatat(AT_FDCWD, path.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
        if (listed)
            m_cards.erase(it);
        return;
    }
    card.size = st.st_size;
    card.mtimeNs = mtimeNs(st);
    card.inode = st.st_ino;
    if (listed)
        *it = std::move(card);
    else
        m_cards.insert(it, std::move(card));
}

BazaWatcher::FolderTime BazaWatcher::folderTime() const
{
    struct stat st {};
    if (::stat(filename::encode(m_bazaPath).constData(), &st) != 0)
        return {};
    return {mtimeNs(st), st.st_ino};
}

BazaWatcher::Listing BazaWatcher::listCards(const QString &bazaPath, std::int64_t touchedSinceNs)
{
    Listing listing;
    std::vector<Card> &cards = listing.cards;
    bazascan::forEachCardStatus(bazaPath, [&](const char *name, const struct stat &st) {
        cards.push_back({name, st.st_size, mtimeNs(st), st.st_ino});
        // A card renamed in place of another gets a new change time, as does one written.
        if (std::int64_t(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec >= touchedSinceNs)
            listing.touched << filename::decode(QByteArray(name));
    });
    std::sort(cards.begin(), cards.end(), [](const Card &a, const Card &b) { return a.name < b.name; });
    cards.shrink_to_fit(); // kept until the next change: 56 bytes a card
    return listing;
}

void BazaWatcher::poll()
{
    if (folderTime() != m_seen)
        settleThenList();
    else if (m_lookAgainIn > 0 && --m_lookAgainIn == 0)
        startListing();
}

void BazaWatcher::settleThenList()
{
    // Not restarted by later events, so that a steady stream of writes is still reported.
    if (!m_settle.isActive())
        m_settle.start();
}

void BazaWatcher::startListing()
{
    m_settle.stop();
    if (!m_started)
        return; // the first listing will see it
    if (m_listingUnderWay) {
        m_listAgain = true;
        return;
    }
    // The folder's time is read before the listing: a change made meanwhile shows at the next look.
    const FolderTime now = folderTime();
    if (now != m_seen && now.mtimeNs % 1'000'000'000 == 0)
        m_lookAgainIn = 2;
    m_seen = now;
    watchFolder();

    m_ownWriteSeen = false;
    m_listingUnderWay = true;
    const std::int64_t since = m_first ? m_madeNs : std::numeric_limits<std::int64_t>::max();
    m_listing.setFuture(QtConcurrent::run(
        &m_pool, [since](const QString &path) { return std::make_shared<Listing>(listCards(path, since)); },
        m_bazaPath));
}

void BazaWatcher::listingDone()
{
    m_listingUnderWay = false;
    if (m_ownWriteSeen)
        m_listAgain = true; // the listing may hold a card as it was before this program wrote it
    else if (std::exchange(m_first, false))
        reconcile(std::move(*m_listing.result()));
    else
        compareWith(std::move(m_listing.result()->cards));
    if (std::exchange(m_listAgain, false))
        startListing();
}

void BazaWatcher::reconcile(Listing listing)
{
    // What the scan found against what is there now: names come and gone, and the cards changed
    // since the watcher was made (possibly after the scan read them).
    QStringList listed;
    listed.reserve(qsizetype(listing.cards.size()));
    for (const Card &card : listing.cards)
        listed << decodedName(card.name);
    std::sort(listed.begin(), listed.end()); // as text, not as the file system's bytes
    QStringList known = std::exchange(m_known, {});
    std::sort(known.begin(), known.end());
    QStringList added, changed = listing.touched, removed;
    std::set_difference(listed.cbegin(), listed.cend(), known.cbegin(), known.cend(),
                        std::back_inserter(added));
    std::set_difference(known.cbegin(), known.cend(), listed.cbegin(), listed.cend(),
                        std::back_inserter(removed));
    for (const QString &name : std::as_const(added))
        changed.removeAll(name);
    m_cards = std::move(listing.cards);
    if (!added.isEmpty() || !changed.isEmpty() || !removed.isEmpty())
        emit cardsChanged(added, changed, removed);
}

void BazaWatcher::compareWith(std::vector<Card> cards)
{
    QStringList added, changed, removed;
    auto was = m_cards.cbegin();
    auto is = cards.cbegin();
    while (was != m_cards.cend() || is != cards.cend()) {
        if (is == cards.cend() || (was != m_cards.cend() && was->name < is->name)) {
            removed << decodedName((was++)->name);
        } else if (was == m_cards.cend() || is->name < was->name) {
            added << decodedName((is++)->name);
        } else {
            if (!was->sameState(*is))
                changed << decodedName(is->name);
            ++was;
            ++is;
        }
    }
    m_cards = std::move(cards);
    if (!added.isEmpty() || !changed.isEmpty() || !removed.isEmpty())
        emit cardsChanged(added, changed, removed);
}

void BazaWatcher::watchFolder()
{
    // The kernel forgets a folder that was removed; one made again in its place is watched anew.
    if (m_kernel && m_kernel->directories().isEmpty() && m_seen.mtimeNs >= 0)
        m_kernel->addPath(m_bazaPath);
}

#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QFileSystemWatcher;

// Tells when another hand, such as a second till on the same folder, adds, changes or removes a
// card. It watches the folder, not every card: the kernel's word on the folder, and a look at the
// folder's time every poll for network shares whose changes the local kernel never hears of. Only
// when one of them says the folder changed are the cards listed and compared with the last listing.
// A card changed in place, without a new file renamed over it, changes no folder time: it shows
// with the next change to the folder.
class BazaWatcher final : public QObject {
    Q_OBJECT

public:
    // PollOnly hears only the folder's time, as on a share where the kernel hears nothing.
    enum class Listening { KernelAndPoll, PollOnly };

    // Made before the folder is scanned, it misses no change after the scan; it lists the cards
    // only once started.
    explicit BazaWatcher(const QString &bazaPath, Listening listening = Listening::KernelAndPoll,
                         QObject *parent = nullptr);

    // Lists the cards beside the window, once the scan is done: whatever differs from `known` (the
    // cards the scan found) is reported, and so is every card changed since this watcher was made.
    // Until then changes are only remembered.
    void start(QStringList known);
    ~BazaWatcher() override;

    void setPollInterval(std::chrono::milliseconds interval) { m_poll.setInterval(interval); }
    // This program has just written (or removed) the card: takes it as it is now, so that no change
    // is reported for it.
    void noteOwnWrite(const QString &fileName);
    // The cards are being listed beside the window (for the tests).
    bool isListing() const { return m_listingUnderWay; }

signals:
    // Once per burst of changes, with every card that differs from the last listing, by file name.
    // Reports held back (while a dialog is open) can simply be joined.
    void cardsChanged(const QStringList &added, const QStringList &changed, const QStringList &removed);

private:
    // A card as listed: a changed card has another size, time or file (a new file renamed over it).
    struct Card {
        std::string name; // the file system's bytes
        std::int64_t size = 0;
        std::int64_t mtimeNs = 0;
        std::uint64_t inode = 0;

        bool sameState(const Card &other) const
        {
            return size == other.size && mtimeNs == other.mtimeNs && inode == other.inode;
        }
    };
    struct FolderTime {
        std::int64_t mtimeNs = -1; // -1: no folder
        std::uint64_t inode = 0;

        bool operator==(const FolderTime &) const = default;
    };

    // A listing, and (for the first) the cards changed since the watcher was made.
    struct Listing {
        std::vector<Card> cards;
        QStringList touched;
    };
    using CardList = std::shared_ptr<Listing>;

    FolderTime folderTime() const;
    static Listing listCards(const QString &bazaPath, std::int64_t touchedSinceNs);
    void reconcile(Listing listing);
    void poll();
    void settleThenList();
    void startListing();
    void listingDone();
    void compareWith(std::vector<Card> cards);
    void watchFolder();

    QString m_bazaPath;
    QFileSystemWatcher *m_kernel = nullptr; // none when only polling
    QTimer m_poll;
    QTimer m_settle; // lets a burst of writes end before the folder is listed
    FolderTime m_seen;
    // Polls until the cards are listed once more after the folder changed to a time in whole seconds,
    // as the coarse clocks of some network shares keep it: a change within the same second leaves
    // the time as it was. The second poll comes a whole period, past that second, after the time
    // was read. Any change missed all the same shows with the next change to the folder.
    int m_lookAgainIn = 0;
    std::vector<Card> m_cards; // sorted by name
    // Listing 100,000 cards takes a few hundred milliseconds, so it runs beside the window, on a
    // thread of this watcher's own: a long backup or search reading never holds it up.
    QThreadPool m_pool;
    QFutureWatcher<CardList> m_listing;
    bool m_listingUnderWay = false;
    // Before start(): no listing yet. The first one is set against the scan's cards.
    bool m_started = false;
    bool m_first = true;
    QStringList m_known;
    std::int64_t m_madeNs = 0; // when the watcher was made, by the clock file times are set by
    bool m_listAgain = false;  // the folder changed again while it was being listed
    // This program wrote a card while the folder was being listed: the listing may hold it as it was.
    bool m_ownWriteSeen = false;
};

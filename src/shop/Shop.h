#pragma once

#include "Backups.h"
#include "BasePresence.h"
#include "CardSession.h"
#include "OwnerWork.h"
#include "WarrantyTerms.h"

#include <QDateTime>

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class BazaWatcher;
class CardSearch;
class CustomerBase;
class KlientIndex;

// The customer base as one till works on it, below any window: the data folder and this program's
// presence on it, the customers and their list, the watch on other tills' work, the search, the
// open card and the purchase panel, the goods catalogue, history and undo, backups and restore.
// main() builds it and hands it to the window, which shows it and calls its operations; each
// operation keeps the list, the search and the watch in step with what it wrote.
class Shop final : public QObject {
    Q_OBJECT

public:
    // At start-up, before the base is read: completes a restore that was killed half-way.
    static void finishInterruptedRestore(const QString &bazaPath, const QString &goodsPath);
    // Another program holds the base alone (replacing it with a backup): none may start now.
    static bool heldAloneElsewhere(const QString &bazaPath);

    // Joins the base and reads its customers, telling `progress` now and then how far it got; the
    // rest is read once the window is up.
    using Progress = std::function<void(qsizetype read, qsizetype total)>;
    Shop(const QString &bazaPath, const QString &goodsPath, const Progress &progress = {},
         QObject *parent = nullptr);
    ~Shop() override;

    // Once the window is shown: the goods catalogue, and the search's reading of every card in
    // the background.
    void finishStartUp();
    // The automatic backup of the day, once the search has read every card: the two readings of the
    // whole base never add up in memory.
    void startDailyBackup();

    const QString &bazaPath() const { return m_bazaPath; }
    const QString &goodsPath() const { return m_goodsPath; }
    CustomerBase &customers() { return *m_customers; }
    const KlientIndex &index() const;
    BazaWatcher &watcher() { return *m_watcher; }
    CardSearch &search() { return *m_search; }
    CardSession &session() { return *m_session; }
    const CardSession &session() const { return *m_session; }
    Backups &backups() { return m_backups; }

    // The card operations; on failure the list is read again where the card may be gone.
    CardSession::OpenResult openCard(int position);
    CardSession::SaveResult save(const CardHeader &header);
    CardSession::SaveResult deletePurchase(int row, const CardHeader &header, bool *shownDeleted);
    CardSession::RecordResult recordSale(const NewTovarCls &sale);
    CardSession::UndoResult undo();
    CardSession::RestoreResult restoreVersion(const QString &fileName, const CardVersion &version);
    [[nodiscard]] FileError saveCatalogueIfChanged() const;

    // The owner's report and export, read beside the window.
    OwnerWork &owner() { return m_owner; }
    // The warranty terms as "Гарантия.txt" beside the goods list holds them now: read again when
    // another till saved it since.
    QString warrantyPath() const;
    const WarrantyTerms &warranty();
    // Writes the owner's changes of the terms into the file as it is now; the file replaced goes
    // to the history. On success `edited` and warranty() are the table written.
    [[nodiscard]] FileError saveWarranty(WarrantyTerms &edited);

    // The warranty slip of the recorded purchase shown in the panel, filled from the template in
    // the data folder; or why there is none.
    struct Slip {
        QString html;
        QString title;
        QString name; // of the customer and the purchase, for a file the slip is saved in
        QString error;
        QString notice;                // the shipped template was put in the data folder just now
        bool templateUnusable = false; // the template is missing or broken: the shipped one may go back
    };
    Slip slipOfShownPurchase();
    [[nodiscard]] FileError restoreShippedSlip();

    // Other tills' changes wait while `hold` answers true (a dialog of the window's is open), so
    // that nothing changes under the operator's eyes there.
    void setHoldChanges(std::function<bool()> hold) { m_hold = std::move(hold); }

signals:
    // Another hand changed or removed the open card: the window asks the session what to show.
    void openCardChangedOnDisk();
    // Cards another till added, changed or removed were taken in.
    void otherTillChanged(int added, int changed, int removed);

private:
    void folderChanged(const QStringList &added, const QStringList &changed, const QStringList &removed);
    void applyFolderChanges();
    void recheckFolder();
    void restored(const backup::RestoreResult &result);

    QString m_bazaPath;
    QString m_goodsPath;
    BasePresence m_presence;
    BazaWatcher *m_watcher = nullptr;
    CustomerBase *m_customers = nullptr;
    CardSearch *m_search = nullptr;
    std::unique_ptr<CardSession> m_session;
    Backups m_backups;
    OwnerWork m_owner;

    WarrantyTerms m_warranty;
    bool m_warrantyRead = false;
    QDateTime m_warrantyStamp;
    qint64 m_warrantySize = -1;

    // Other tills' changes held back while the window has a dialog open.
    std::function<bool()> m_hold;
    QStringList m_pending;
    QTimer m_pendingTimer;
};

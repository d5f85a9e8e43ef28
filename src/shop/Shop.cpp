#include "Shop.h"

#include "BazaScan.h"
#include "BazaWatcher.h"
#include "CardSearch.h"
#include "CustomerBase.h"

#include <QFileInfo>

#include <malloc.h>

void Shop::finishInterruptedRestore(const QString &bazaPath, const QString &goodsPath)
{
    backup::finishInterruptedRestore(bazaPath, goodsPath);
}

bool Shop::heldAloneElsewhere(const QString &bazaPath)
{
    return BasePresence::heldAloneElsewhere(bazaPath);
}

Shop::Shop(const QString &bazaPath, const QString &goodsPath, const Progress &progress, QObject *parent)
    : QObject(parent), m_bazaPath(bazaPath),
      // The same file for the backup's worker thread, whatever the working folder becomes.
      m_goodsPath(QFileInfo(goodsPath).absoluteFilePath()), m_presence(bazaPath),
      m_backups({m_bazaPath, m_goodsPath}, m_presence), m_owner(bazaPath)
{
    // The folder watch starts before the scan, so that no change after the scan is missed.
    m_watcher = new BazaWatcher(m_bazaPath, BazaWatcher::Listening::KernelAndPoll, this);
    m_customers = new CustomerBase(m_bazaPath, this);
    m_customers->LoadBaza(progress);
    // The watch lists the cards beside the window, then tells what changed since the scan.
    QStringList scanned;
    for (const KlientRec &rec : m_customers->index().entries())
        if (!rec.isRemoved())
            scanned << rec.FileName;
    m_watcher->start(std::move(scanned));

    m_search = new CardSearch(m_bazaPath, this);
    m_search->setWarrantyEnd([this](const QDate &day, const QString &goods, const QString &item) {
        // Read again when another till saved the terms since.
        return warranty().warrantyEnd(day, goods, item);
    });
    m_session = std::make_unique<CardSession>(m_bazaPath, m_customers->index(), *m_search);
    m_session->setOwnWriteNote([this](const QString &fileName) { m_watcher->noteOwnWrite(fileName); });
    m_session->setRecheck([this] { recheckFolder(); });

    connect(m_watcher, &BazaWatcher::cardsChanged, this, &Shop::folderChanged);
    m_pendingTimer.setInterval(300);
    connect(&m_pendingTimer, &QTimer::timeout, this, &Shop::applyFolderChanges);
    connect(&m_backups, &Backups::restoreDone, this,
            [this](const QString &, const backup::RestoreResult &result) { restored(result); });
}

Shop::~Shop()
{
    m_backups.stop();
    m_owner.stop();
}

void Shop::finishStartUp()
{
    m_session->loadCatalogue(m_goodsPath);
    warranty();
    // A rescan ("Обновить") reads the search anew too.
    connect(m_customers, &CustomerBase::loaded, m_search, &CardSearch::rebuild, Qt::UniqueConnection);
    m_search->rebuild();
}

void Shop::startDailyBackup()
{
    const auto start = [this] {
        // What the search's reading freed goes back to the system first: the backup's thread
        // would not reuse the reading threads' memory, and the two would add up.
        ::malloc_trim(0);
        m_backups.startDaily();
    };
    if (m_search->isReady()) {
        start();
        return;
    }
    auto *once = new QObject(this);
    connect(m_search, &CardSearch::ready, once, [start, once] {
        delete once;
        start();
    });
}

const KlientIndex &Shop::index() const
{
    return m_customers->index();
}

CardSession::OpenResult Shop::openCard(int position)
{
    const CardSession::OpenResult opened = m_session->open(position);
    if (!opened.fileName.isEmpty() && opened.error != FileError::None)
        m_customers->LoadBaza();
    return opened;
}

CardSession::SaveResult Shop::save(const CardHeader &header)
{
    const CardSession::SaveResult saved = m_session->save(header);
    // A conflict showed the card as it is now; a written one may have a new name or full name.
    if (saved.error == FileError::None &&
        (saved.conflict != CardSession::Conflict::None || saved.indexChanged))
        m_customers->entriesChanged({saved.fileName});
    return saved;
}

CardSession::SaveResult Shop::deletePurchase(int row, const CardHeader &header, bool *shownDeleted)
{
    const CardSession::SaveResult saved = m_session->deletePurchase(row, header, shownDeleted);
    if (saved.error == FileError::None &&
        (saved.conflict != CardSession::Conflict::None || saved.indexChanged))
        m_customers->entriesChanged({saved.fileName});
    return saved;
}

CardSession::RecordResult Shop::recordSale(const NewTovarCls &sale)
{
    const CardSession::RecordResult recorded = m_session->recordSale(sale);
    // The customer's card is gone: the list shows the folder as it is.
    if (recorded.outcome == CardSession::RecordResult::Failed && recorded.error == FileError::NotFound)
        m_customers->LoadBaza();
    return recorded;
}

CardSession::UndoResult Shop::undo()
{
    const CardSession::UndoResult undone = m_session->undo();
    if (undone.error == FileError::None && !undone.changedElsewhere)
        m_customers->entriesChanged({undone.fileName});
    return undone;
}

CardSession::RestoreResult Shop::restoreVersion(const QString &fileName, const CardVersion &version)
{
    const CardSession::RestoreResult restored = m_session->restoreVersion(fileName, version);
    if (restored.error == FileError::None)
        m_customers->entriesChanged({fileName});
    return restored;
}

FileError Shop::saveCatalogueIfChanged() const
{
    return m_session->saveCatalogueIfChanged(m_goodsPath);
}

void Shop::restored(const backup::RestoreResult &result)
{
    if (result.status == backup::Status::Cancelled)
        return;
    // The open card may be gone: an empty card and the list as restored.
    m_session->newCard();
    m_customers->LoadBaza();
}

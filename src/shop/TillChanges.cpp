// Another till's work on the same folder: the list, the search and the open card follow it.
#include "Shop.h"

#include "BazaScan.h"
#include "CardSearch.h"
#include "CustomerBase.h"

void Shop::folderChanged(const QStringList &added, const QStringList &changed, const QStringList &removed)
{
    // Each card is taken as it is on disk now, whichever list names it: held-back reports join.
    m_pending << added << changed << removed;
    applyFolderChanges();
}

void Shop::applyFolderChanges()
{
    if (m_hold && m_hold()) {
        m_pendingTimer.start();
        return;
    }
    m_pendingTimer.stop();
    if (m_pending.isEmpty())
        return;
    QStringList names = std::exchange(m_pending, {});
    names.removeDuplicates();
    const QString &open = m_session->CurFile();
    const bool openCardTouched = !open.isEmpty() && names.contains(open);
    const CustomerBase::Taken taken = m_customers->takeCards(names);
    for (const QString &name : std::as_const(names))
        m_search->refreshFile(name);
    emit otherTillChanged(taken.added, taken.changed, taken.removed);
    if (openCardTouched)
        emit openCardChangedOnDisk();
}

void Shop::recheckFolder()
{
    // Cards another till saved that the index does not have yet.
    QStringList added;
    for (const QString &name : bazascan::listCardFiles(m_bazaPath))
        if (m_customers->index().findFile(name) < 0)
            added << name;
    if (!added.isEmpty()) {
        m_customers->takeCards(added);
        for (const QString &name : std::as_const(added))
            m_search->refreshFile(name);
    }
}

// Another till's work on the same folder: the list, the search and the open card follow it.
#include "FrmForma.h"

#include "BazaScan.h"
#include "Dialogs.h"
#include "KlientIndex.h"
#include "UsrForma.h"

#include <QApplication>
#include <QTimer>

namespace {

void join(QStringList &into, const QStringList &names)
{
    for (const QString &name : names)
        if (!into.contains(name))
            into << name;
}

} // namespace

void FrmForma::folderChanged(const QStringList &added, const QStringList &changed, const QStringList &removed)
{
    join(m_pendingAdded, added);
    join(m_pendingChanged, changed);
    join(m_pendingRemoved, removed);
    applyFolderChanges();
}

void FrmForma::applyFolderChanges()
{
    // Nothing changes under an open dialog: the changes wait until it closes.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_pendingTimer->start();
        return;
    }
    m_pendingTimer->stop();
    if (m_pendingAdded.isEmpty() && m_pendingChanged.isEmpty() && m_pendingRemoved.isEmpty())
        return;
    const bool openCardTouched =
        !CurFile().isEmpty() && (m_pendingChanged.contains(CurFile()) ||
                                 m_pendingRemoved.contains(CurFile()) || m_pendingAdded.contains(CurFile()));
    m_usrForma1->applyCardChanges(std::exchange(m_pendingAdded, {}), std::exchange(m_pendingChanged, {}),
                                  std::exchange(m_pendingRemoved, {}));
    if (openCardTouched)
        openCardChangedOnDisk();
}

void FrmForma::recheckFolder()
{
    // Cards another till saved that the index does not have yet.
    QStringList added;
    for (const QString &name : bazascan::listCardFiles(m_bazaPath))
        if (klientIndex().findFile(name) < 0)
            added << name;
    if (!added.isEmpty())
        m_usrForma1->applyCardChanges(added, {}, {});
}

void FrmForma::openCardChangedOnDisk()
{
    const CardSession::DiskChange change = m_session->checkDisk();
    if (change == CardSession::DiskChange::None || change == CardSession::DiskChange::Appended)
        return; // sales another till added are in the list already
    // Nothing of the card is being edited here: it is shown afresh, the panel and the focus stay.
    if (change == CardSession::DiskChange::Changed && !CardChanged() && NewMode()) {
        m_session->takeSeen();
        m_loading = true;
        showHeader(m_session->header());
        m_loading = false;
        return;
    }
    Dialogs::current().critical(this, conflictMessage(CurFile(),
                                                      change == CardSession::DiskChange::Gone
                                                          ? CardSession::Conflict::Gone
                                                          : CardSession::Conflict::Changed,
                                                      false));
    m_session->toldOfChange();
}

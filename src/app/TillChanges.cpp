// Another till's work on the open card: shown at once, or told of.
#include "FrmForma.h"

#include "Dialogs.h"
#include "FileName.h"

void FrmForma::openCardChangedOnDisk()
{
    const CardSession::DiskChange change = m_session.checkDisk();
    if (change == CardSession::DiskChange::None || change == CardSession::DiskChange::Appended)
        return; // sales another till added are in the list already
    // Nothing of the card is being edited here: it is shown afresh, the panel and the focus stay.
    if (change == CardSession::DiskChange::Changed && !CardChanged() && NewMode()) {
        m_session.takeSeen();
        m_loading = true;
        showHeader(m_session.header());
        m_loading = false;
        tell(QStringLiteral("Карточку ") + filename::display(CurFile()) +
             QStringLiteral(" изменили на другой кассе: она показана заново"));
        return;
    }
    Dialogs::current().critical(this, conflictMessage(CurFile(),
                                                      change == CardSession::DiskChange::Gone
                                                          ? CardSession::Conflict::Gone
                                                          : CardSession::Conflict::Changed,
                                                      false));
    m_session.toldOfChange();
}

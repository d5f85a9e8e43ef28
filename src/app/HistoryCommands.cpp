// Earlier versions of the open card and undo of the last deletions and corrections.
#include "FrmForma.h"

#include "Dialogs.h"
#include "FileName.h"
#include "ReceiptText.h"
#include "VersionsDialog.h"

void FrmForma::FileVersions_Click()
{
    if (CurFile().isEmpty()) {
        Dialogs::current().critical(this, QStringLiteral("Прежние версии есть только у записанной карточки: "
                                                         "откройте карточку покупателя."));
        return;
    }
    VersionsDialog dialog(
        m_shop, CurFile(),
        [this](const CardSession::RestoreResult &restored) { followOwnRewrite(restored.openCardChanged); },
        this);
    dialog.exec();
}

void FrmForma::EditUndo_Click()
{
    if (!m_session.canUndo())
        return;
    const CardSession::UndoResult undone = m_shop.undo();
    if (undone.error != FileError::None) {
        Dialogs::current().critical(this, writeFailureMessage(undone.fileName, undone.error));
        return;
    }
    if (undone.changedElsewhere) {
        Dialogs::current().critical(this, QStringLiteral("Исправленную покупку в карточке \"") +
                                              filename::display(undone.fileName) +
                                              QStringLiteral("\" уже изменили: исправление не отменено."));
        return;
    }
    followOwnRewrite(undone.openCardChanged);
    tell(receipt::undone());
}

void FrmForma::followOwnRewrite(bool openCardChanged)
{
    if (!openCardChanged)
        return;
    if (!NewMode())
        Back1_Click();
    if (!CardChanged()) {
        m_loading = true;
        showHeader(m_session.header());
        m_loading = false;
    }
}

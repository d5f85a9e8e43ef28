// The card shown: new customer, checking, saving and opening.
#include "FrmForma.h"

#include "Dialogs.h"
#include "FileName.h"
#include "KlientIndex.h"
#include "ReceiptText.h"

#include <QComboBox>
#include <QLineEdit>

void FrmForma::setCardChanged()
{
    if (!m_loading)
        m_session.setCardChanged();
}

CardHeader FrmForma::headerFromBoxes() const
{
    return {bz(BzD::Familiya)->text(),  bz(BzD::Imya)->text(),    bz(BzD::Otchestvo)->text(),
            bz(BzD::TelDom)->text(),    bz(BzD::TelRab)->text(),  bz(BzD::DenRozhd)->text(),
            m_bzDMesac->currentIndex(), bz(BzD::GodRozhd)->text()};
}

void FrmForma::showHeader(const CardHeader &h)
{
    bz(BzD::Familiya)->setText(h.familiya);
    bz(BzD::Imya)->setText(h.imya);
    bz(BzD::Otchestvo)->setText(h.otchestvo);
    bz(BzD::TelDom)->setText(h.telDom);
    bz(BzD::TelRab)->setText(h.telRab);
    bz(BzD::DenRozhd)->setText(h.denRozhd);
    // A month the list cannot show leaves the month box as it was.
    if (h.mesacRozhd >= -1 && h.mesacRozhd < m_bzDMesac->count())
        m_bzDMesac->setCurrentIndex(h.mesacRozhd);
    bz(BzD::GodRozhd)->setText(h.godRozhd);
}

void FrmForma::FileNewKlient_Click()
{
    m_saleAwaitsCard = false;
    // The panel never keeps pointing into a card that is gone.
    if (!NewMode())
        Back1_Click();
    showHeader({{}, {}, {}, {}, {}, {}, 0, QStringLiteral("19")});
    bz(BzD::Familiya)->setFocus();
    m_session.newCard();
}

bool FrmForma::CheckCard()
{
    const auto fault = CardSession::checkCard(headerFromBoxes());
    if (!fault)
        return false;
    Dialogs::current().critical(this, QString::fromUtf8(fault->message));
    bz(fault->box)->setFocus();
    return true;
}

void FrmForma::FileSave_Click()
{
    saveCard();
}

bool FrmForma::saveCard()
{
    return !CheckCard() && reportSave(m_shop.save(headerFromBoxes()));
}

bool FrmForma::reportSave(const CardSession::SaveResult &saved)
{
    if (saved.error != FileError::None) {
        const QString message = writeFailureMessage(saved.fileName, saved.error);
        tell(QStringLiteral("Ничего не записано. ") + message.section(QStringLiteral("\r\n"), 0, 0), true);
        Dialogs::current().critical(this, message);
        return false;
    }
    if (saved.conflict != CardSession::Conflict::None) {
        tell(QStringLiteral("Ничего не записано: карточку изменили на другой кассе."), true);
        Dialogs::current().critical(this, conflictMessage(saved.fileName, saved.conflict, true));
        return false;
    }
    tell(receipt::cardSaved(saved.fileName, m_saleAwaitsCard && NewMode()));
    if (saved.twin >= 0) {
        const KlientRec &twin = m_shop.index().at(saved.twin);
        showHint(bz(BzD::Familiya), QStringLiteral("Такой покупатель уже есть: ") + twin.FIO +
                                        QStringLiteral(" (") + twin.FileName + QStringLiteral(")."));
    }
    return true;
}

QString FrmForma::conflictMessage(const QString &fileName, CardSession::Conflict conflict, bool atSave)
{
    const QString what =
        conflict == CardSession::Conflict::Gone ? QStringLiteral(" удалена") : QStringLiteral(" изменена");
    const QString outcome = atSave ? QStringLiteral(", поэтому ничего не записано.\r\n"
                                                    "Чтобы записать карточку такой, как она на экране, "
                                                    "нажмите Ctrl+S ещё раз.")
                                   : QStringLiteral(".\r\nНа экране — ваша карточка, ещё не записанная: "
                                                    "Ctrl+S запишет её такой, как она на экране.");
    return QStringLiteral("Карточка \"") + filename::display(fileName) + QLatin1Char('"') + what +
           QStringLiteral(" на другой кассе или вне программы") + outcome;
}

void FrmForma::OpenFile(int index)
{
    if (!NewMode())
        Back1_Click();
    const CardSession::OpenResult opened = m_shop.openCard(index);
    if (opened.fileName.isEmpty())
        return;
    if (opened.error != FileError::None) {
        Dialogs::current().critical(this,
                                    readFailureMessage(m_shop.bazaPath() + opened.fileName, opened.error));
        return;
    }
    m_loading = true;
    showHeader(m_session.header());
    m_loading = false;
    bz(BzD::Familiya)->setFocus();
}

// The purchase panel: new purchase, put-aside and restore, recording a sale, the goods catalogue.
#include "FrmForma.h"

#include "Dialogs.h"
#include "ImageButton.h"
#include "KlientIndex.h"
#include "PurchaseDate.h"
#include "ReceiptText.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>

void FrmForma::finishStartUp()
{
    m_bzDMesac->setCurrentIndex(0);
    m_shop.finishStartUp();
    m_pokupkaTovar->addItems(m_session.catalogue().names());
    m_pokupkaTovar->setEditText(QString());
}

NewTovarCls FrmForma::panelFromBoxes() const
{
    NewTovarCls p;
    p.Familiya = pk(PokupkaField::Familiya)->text();
    p.Telephon1 = pk(PokupkaField::Telephon1)->text();
    p.Telephon2 = pk(PokupkaField::Telephon2)->text();
    p.Day = pk(PokupkaField::Day)->text();
    p.Mesac = m_pokupkaMesac->currentIndex();
    p.God = pk(PokupkaField::God)->text();
    p.Tovar = m_pokupkaTovar->currentText();
    p.Summa = pk(PokupkaField::Summa)->text();
    return p;
}

void FrmForma::showPanel(const NewTovarCls &p)
{
    pk(PokupkaField::Familiya)->setText(p.Familiya);
    pk(PokupkaField::Telephon1)->setText(p.Telephon1);
    pk(PokupkaField::Telephon2)->setText(p.Telephon2);
    pk(PokupkaField::Day)->setText(p.Day);
    // A month outside the list shows as no month.
    m_pokupkaMesac->setCurrentIndex(p.Mesac >= 0 && p.Mesac < m_pokupkaMesac->count() ? p.Mesac : -1);
    pk(PokupkaField::God)->setText(p.God);
    m_pokupkaTovar->setEditText(p.Tovar);
    pk(PokupkaField::Summa)->setText(p.Summa);
}

void FrmForma::EditNewPokupka_Click()
{
    tellOfShownPurchaseEnd();
    m_label1[1]->setText(QStringLiteral("Новая покупка"));
    m_session.startNewPurchase();
    NewTovarCls today;
    const PanelDate date = panelDate(QDate::currentDate());
    today.Day = date.day;
    today.Mesac = date.month;
    today.God = date.year;
    showPanel(today);
    pk(PokupkaField::Izdelie)->clear();
    pk(PokupkaField::SerNomer)->clear();
    pk(PokupkaField::Familiya)->setFocus();
}

void FrmForma::EditSellToCustomer_Click()
{
    if (!NewMode())
        Back1_Click();
    EditNewPokupka_Click();
    if (CurFile().isEmpty())
        return; // no customer open: a new purchase, as «Новая покупка»
    const CardHeader &customer = m_session.header();
    pk(PokupkaField::Familiya)->setText(customer.familiya);
    pk(PokupkaField::Telephon1)->setText(customer.telDom);
    pk(PokupkaField::Telephon2)->setText(customer.telRab);
    m_pokupkaTovar->setFocus();
}

void FrmForma::tell(const QString &text, bool failure)
{
    m_receiptFailure = failure;
    m_receiptShowsPurchase = false;
    m_receipt->setStyleSheet(failure ? QStringLiteral("color: #c00000;") : QString());
    m_receipt->setText(text);
}

QString FrmForma::receiptText() const
{
    return m_receipt->text();
}

void FrmForma::tellOfShownPurchaseEnd()
{
    if (m_receiptShowsPurchase)
        tell({});
}

void FrmForma::Back1_Click()
{
    tellOfShownPurchaseEnd();
    m_back1->hide();
    m_label1[1]->setText(QStringLiteral("Новая покупка"));
    showPanel(m_session.restore());
    pk(PokupkaField::Familiya)->setFocus();
}

bool FrmForma::checkPurchaseFields()
{
    const auto fault = CardSession::checkSale(panelFromBoxes(), NewMode());
    if (!fault)
        return true;
    Dialogs::current().critical(this, QString::fromUtf8(fault->message));
    if (fault->box)
        pk(*fault->box)->setFocus();
    else
        m_pokupkaTovar->setFocus();
    return false;
}

void FrmForma::kOK_Click()
{
    if (!checkPurchaseFields())
        return;
    if (NewMode())
        recordNewPurchase();
    else
        writeBackShownPurchase();
}

void FrmForma::recordNewPurchase()
{
    const NewTovarCls sale = panelFromBoxes();
    const CardSession::RecordResult recorded = m_shop.recordSale(sale);
    switch (recorded.outcome) {
    case CardSession::RecordResult::NoCustomer:
        if (offerNearCustomer(sale))
            return;
        Dialogs::current().critical(
            this, QStringLiteral("Покупатель ") + sale.Familiya +
                      QStringLiteral(" не найден.\r\nЗаполните учётную карточку и сохраните её."));
        startCardFor();
        return;
    case CardSession::RecordResult::Failed: {
        // The sale is not recorded: everything typed stays in the panel for another try.
        insertIntoGoodsList(recorded.cataloguePosition, sale.Tovar);
        const QString message = recorded.error == FileError::NotFound
                                    ? fileMessage(recorded.fileName, FileMessage::NotFound)
                                    : writeFailureMessage(recorded.fileName, recorded.error);
        tell(QStringLiteral("Покупка не записана. ") + message.section(QStringLiteral("\r\n"), 0, 0), true);
        Dialogs::current().critical(this, message);
        return;
    }
    case CardSession::RecordResult::Recorded: {
        insertIntoGoodsList(recorded.cataloguePosition, sale.Tovar);
        m_saleAwaitsCard = false;
        EditNewPokupka_Click();
        const int position = m_shop.index().findFile(recorded.fileName);
        tell(receipt::recorded(position >= 0 ? m_shop.index().at(position).FIO : QString(), recorded.fileName,
                               sale));
        return;
    }
    }
}

bool FrmForma::offerNearCustomer(const NewTovarCls &sale)
{
    const int near = m_shop.index().findNearCustomer(sale.Familiya, sale.Telephon1, sale.Telephon2);
    if (near < 0)
        return false;
    const KlientRec customer = m_shop.index().at(near);
    const QString name =
        (customer.Familiya + QLatin1Char(' ') + customer.FIO.section(QLatin1Char(' '), 1, 1)).trimmed();
    if (!Dialogs::current().confirm(
            this, QStringLiteral("Есть %1 с теми же телефонами. Записать покупку ему?").arg(name)))
        return false;
    // The customer's own surname finds the card by the usual rule.
    pk(PokupkaField::Familiya)->setText(customer.Familiya);
    recordNewPurchase();
    return true;
}

void FrmForma::startCardFor()
{
    FileNewKlient_Click();
    m_saleAwaitsCard = true;
    bz(BzD::Familiya)->setText(pk(PokupkaField::Familiya)->text());
    bz(BzD::TelDom)->setText(pk(PokupkaField::Telephon1)->text());
    bz(BzD::TelRab)->setText(pk(PokupkaField::Telephon2)->text());
    bz(BzD::Otchestvo)->setFocus();
}

void FrmForma::writeBackShownPurchase()
{
    const int number = PokupkaNum() + 1;
    const bool corrected = m_session.correctShownPurchase(panelFromBoxes()) && saveCard();
    addToCatalogue(m_pokupkaTovar->currentText());
    Back1_Click();
    if (corrected)
        tell(receipt::corrected(number));
}

void FrmForma::addToCatalogue(const QString &tovar)
{
    insertIntoGoodsList(m_session.addToCatalogue(tovar), tovar);
}

void FrmForma::insertIntoGoodsList(int position, const QString &tovar)
{
    if (position < 0)
        return;
    const QString typed = m_pokupkaTovar->currentText();
    m_pokupkaTovar->insertItem(position, tovar);
    m_pokupkaTovar->setEditText(typed);
}

void FrmForma::SaveTovary()
{
    const FileError error = m_shop.saveCatalogueIfChanged();
    if (error != FileError::None)
        Dialogs::current().critical(this, writeFailureMessage(QString::fromUtf8(kGoodsFileName), error));
}

// The purchase panel: new purchase, put-aside and restore, recording a sale, the goods catalogue.
#include "FrmForma.h"

#include "CardFile.h"
#include "CardSearch.h"
#include "Dialogs.h"
#include "ImageButton.h"
#include "LineForms.h"
#include "PurchaseDate.h"
#include "SafeFile.h"
#include "UsrForma.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

void FrmForma::finishStartUp(const QString &goodsPath)
{
    m_goodsPath = goodsPath;
    m_bzDMesac->setCurrentIndex(0);
    m_catalogue.load(goodsPath);
    m_pokupkaTovar->addItems(m_catalogue.names());
    m_pokupkaTovar->setEditText(QString());
    // The search reads every card in the background once the window is up.
    m_search->rebuild();
}

void FrmForma::EditNewPokupka_Click()
{
    m_label1[1]->setText(QStringLiteral("Новая покупка"));
    m_newMode = true;
    m_pokupkaNum = m_pokupkiLst->count();
    for (int i : {0, 1, 2})
        m_pokupkaTxt[i]->clear();
    const PanelDate today = panelDate(QDate::currentDate());
    m_pokupkaTxt[3]->setText(today.day);
    m_pokupkaMesac->setCurrentIndex(today.month);
    m_pokupkaTxt[4]->setText(today.year);
    m_pokupkaTovar->setEditText(QString());
    for (int i : {5, 6, 7})
        m_pokupkaTxt[i]->clear();
    clearItems();
    m_pokupkaTxt[0]->setFocus();
}

void FrmForma::putAside()
{
    m_back1->show();
    NewTovarCls &s = m_savedNewPokupka;
    s.Familiya = m_pokupkaTxt[0]->text();
    s.Telephon1 = m_pokupkaTxt[1]->text();
    s.Telephon2 = m_pokupkaTxt[2]->text();
    s.Day = m_pokupkaTxt[3]->text();
    s.Mesac = m_pokupkaMesac->currentIndex();
    s.God = m_pokupkaTxt[4]->text();
    s.Tovar = m_pokupkaTovar->currentText();
    s.Summa = m_pokupkaTxt[5]->text();
    s.Clear();
    for (int i = 0; i < 2 * m_izdelieLst->count(); ++i)
        s.NewIzdelie(m_izdeliya.value(i));
}

void FrmForma::Back1_Click()
{
    m_back1->hide();
    m_label1[1]->setText(QStringLiteral("Новая покупка"));
    const NewTovarCls &s = m_savedNewPokupka;
    m_pokupkaTxt[0]->setText(s.Familiya);
    m_pokupkaTxt[1]->setText(s.Telephon1);
    m_pokupkaTxt[2]->setText(s.Telephon2);
    m_pokupkaTxt[3]->setText(s.Day);
    m_pokupkaMesac->setCurrentIndex(s.Mesac);
    m_pokupkaTxt[4]->setText(s.God);
    m_pokupkaTovar->setEditText(s.Tovar);
    m_pokupkaTxt[5]->setText(s.Summa);
    clearItems();
    for (int k = 0; k < s.ListCount() / 2; ++k)
        AddIzdelie(s.List(2 * k), s.List(2 * k + 1));
    m_newMode = true;
    m_pokupkaTxt[0]->setFocus();
}

bool FrmForma::checkPurchaseFields()
{
    const struct {
        bool empty;
        const char *message;
        QWidget *focus;
    } checks[] = {
        {m_newMode && m_pokupkaTxt[0]->text().isEmpty(), "Введите фамилию покупателя.", m_pokupkaTxt[0]},
        {m_pokupkaTxt[3]->text().isEmpty(), "Введите день покупки.", m_pokupkaTxt[3]},
        {m_pokupkaTxt[4]->text().isEmpty(), "Введите год покупки.", m_pokupkaTxt[4]},
        {m_pokupkaTxt[5]->text().isEmpty(), "Введите сумму товара.", m_pokupkaTxt[5]},
        {m_pokupkaTovar->currentText().isEmpty(), "Введите наименование товара.", m_pokupkaTovar},
    };
    for (const auto &check : checks) {
        if (check.empty) {
            Dialogs::current().critical(this, QString::fromUtf8(check.message));
            check.focus->setFocus();
            return false;
        }
    }
    return true;
}

void FrmForma::kOK_Click()
{
    if (!checkPurchaseFields())
        return;
    if (m_newMode)
        recordNewPurchase();
    else
        writeBackShownPurchase();
}

TovarCls FrmForma::panelPurchase() const
{
    TovarCls p;
    p.Day = m_pokupkaTxt[3]->text();
    p.Mesac = m_pokupkaMesac->currentIndex();
    p.God = m_pokupkaTxt[4]->text();
    p.Tovar = m_pokupkaTovar->currentText();
    p.Summa = m_pokupkaTxt[5]->text();
    for (int i = 0; i < 2 * m_izdelieLst->count(); ++i)
        p.NewIzdelie(m_izdeliya.value(i));
    return p;
}

void FrmForma::recordNewPurchase()
{
    const QString surname = m_pokupkaTxt[0]->text();
    KlientIndex &index = klientIndex();
    const int found = index.findCustomer(surname, m_pokupkaTxt[1]->text(), m_pokupkaTxt[2]->text());
    if (found < 0) {
        Dialogs::current().critical(this, QStringLiteral("Покупатель ") + surname +
                                              QStringLiteral(" не найден.\r\nЗаполните учётную карточку и сохраните её."));
        startCardFor();
        return;
    }

    const QString fileName = index.at(found).FileName;
    const TovarCls purchase = panelPurchase();
    const FileError error = safefile::appendToFile(m_bazaPath + fileName, cardfile::serializePurchase(purchase));
    addToCatalogue(purchase.Tovar);
    if (error != FileError::None) {
        // The sale is not recorded: everything typed stays in the panel for another try.
        if (error == FileError::NotFound) {
            Dialogs::current().critical(this, fileMessage(fileName, FileMessage::NotFound));
            m_usrForma1->LoadBaza();
        } else {
            Dialogs::current().critical(this, writeFailureMessage(fileName, error));
        }
        return;
    }
    m_search->refreshFile(fileName);
    // The open card stays true to its file.
    if (!m_curFile.isEmpty() && fileName == m_curFile) {
        m_pokupki.append(purchase);
        m_pokupkiLst->addItem(lineforms::pokupkaLine(int(m_pokupki.size()), purchase.Tovar));
    }
    EditNewPokupka_Click();
}

void FrmForma::startCardFor()
{
    FileNewKlient_Click();
    m_bzDTxt[0]->setText(m_pokupkaTxt[0]->text());
    m_bzDTxt[5]->setText(m_pokupkaTxt[1]->text());
    m_bzDTxt[6]->setText(m_pokupkaTxt[2]->text());
    m_bzDTxt[2]->setFocus();
}

void FrmForma::writeBackShownPurchase()
{
    if (m_pokupkaNum >= 0 && m_pokupkaNum < m_pokupki.size()) {
        TovarCls &p = m_pokupki[m_pokupkaNum];
        p.Day = m_pokupkaTxt[3]->text();
        // A month the list cannot show is kept as the card had it.
        if (m_pokupkaMesac->currentIndex() >= 0)
            p.Mesac = m_pokupkaMesac->currentIndex();
        p.God = m_pokupkaTxt[4]->text();
        const QString tovar = m_pokupkaTovar->currentText();
        const bool renamed = tovar != p.Tovar;
        p.Tovar = tovar;
        p.Summa = m_pokupkaTxt[5]->text();
        if (renamed)
            m_pokupkiLst->item(m_pokupkaNum)->setText(lineforms::pokupkaLine(m_pokupkaNum + 1, tovar));
        p.Clear();
        for (int i = 0; i < 2 * m_izdelieLst->count(); ++i)
            p.NewIzdelie(m_izdeliya.value(i));
        FileSave_Click();
    }
    addToCatalogue(m_pokupkaTovar->currentText());
    Back1_Click();
}

void FrmForma::addToCatalogue(const QString &tovar)
{
    if (m_catalogue.containsIgnoringCase(tovar))
        return;
    const QString typed = m_pokupkaTovar->currentText();
    m_pokupkaTovar->insertItem(m_catalogue.add(tovar), tovar);
    m_pokupkaTovar->setEditText(typed);
    m_tovaryChanged = true;
}

void FrmForma::SaveTovary()
{
    if (!m_tovaryChanged)
        return;
    const FileError error = m_catalogue.save(m_goodsPath);
    if (error != FileError::None)
        Dialogs::current().critical(this, writeFailureMessage(QString::fromUtf8(kGoodsFileName), error));
}

// The purchase list and the item list: adding items, showing a recorded purchase, deleting.
#include "FrmForma.h"

#include "Dialogs.h"
#include "ImageButton.h"
#include "Isprav.h"
#include "ReceiptText.h"

#include <QComboBox>
#include <QCursor>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>

namespace {

// The selected line of a list, or -1 when none is selected.
int selectedRow(const QListView *list)
{
    const QModelIndex current = list->selectionModel()->currentIndex();
    return current.isValid() && list->selectionModel()->isSelected(current) ? current.row() : -1;
}

// After deleting line s of a list that had n lines: the same place, or the new last line.
void selectAfterDelete(QListView *list, int s, int n)
{
    const int row = s < n - 1 ? s : s - 1;
    if (row >= 0)
        list->setCurrentIndex(list->model()->index(row, 0));
}

QString lineText(const QListView *list, int row)
{
    return list->model()->index(row, 0).data().toString();
}

} // namespace

void FrmForma::AddIzdelie(const QString &name, const QString &serial)
{
    m_session.izdeliyaModel().append(name, serial);
}

void FrmForma::PokupkiLst_DblClick()
{
    const int s = selectedRow(m_pokupkiLst);
    if (s >= 0 && s < Pokupki().size())
        showRecordedPurchase(s);
}

void FrmForma::showRecordedPurchase(int s)
{
    m_label1[1]->setText(QStringLiteral("Совершённая покупка"));
    if (NewMode())
        m_back1->show();
    NewTovarCls shown;
    static_cast<TovarCls &>(shown) = m_session.showPurchase(s, panelFromBoxes());
    showPanel(shown);
    tell(receipt::shown(s + 1, shown));
    m_receiptShowsPurchase = true;
}

void FrmForma::DelPokupku1_Click()
{
    const int s = selectedRow(m_pokupkiLst);
    if (s < 0 || s >= Pokupki().size())
        return;
    if (!Dialogs::current().confirm(this, QStringLiteral("Удалить товар ") + lineText(m_pokupkiLst, s) +
                                              QLatin1Char('?')))
        return;
    // A card that cannot be saved keeps the purchase.
    if (CheckCard())
        return;
    const int n = int(Pokupki().size());
    bool shownDeleted = false;
    if (!reportSave(m_shop.deletePurchase(s, headerFromBoxes(), &shownDeleted))) {
        m_pokupkiLst->setCurrentIndex(m_pokupkiLst->model()->index(s, 0));
        return;
    }
    selectAfterDelete(m_pokupkiLst, s, n);
    if (shownDeleted)
        Back1_Click();
    tell(receipt::deleted(s + 1));
}

void FrmForma::IzdelieLst_DblClick()
{
    const int e = selectedRow(m_izdelieLst);
    if (e < 0)
        return;
    Isprav isprav(m_session.izdeliyaModel(), e, this);
    isprav.exec();
}

void FrmForma::DelIzdelie1_Click()
{
    const int s = selectedRow(m_izdelieLst);
    if (s < 0)
        return;
    if (!Dialogs::current().confirm(this, QStringLiteral("Удалить изделие ") + lineText(m_izdelieLst, s) +
                                              QLatin1Char('?')))
        return;
    const int n = m_session.izdeliyaModel().rowCount();
    m_session.izdeliyaModel().remove(s);
    selectAfterDelete(m_izdelieLst, s, n);
}

void FrmForma::popUpListMenu(QListView *list, QMenu *menu)
{
    if (selectedRow(list) >= 0)
        menu->popup(QCursor::pos());
}

// The purchase list and the item list: adding items, showing a recorded purchase, deleting.
#include "FrmForma.h"

#include "Dialogs.h"
#include "Isprav.h"
#include "LineForms.h"

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

namespace {

// The selected line of a list, or -1 when none is selected.
int selectedRow(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item && item->isSelected() ? list->row(item) : -1;
}

// After deleting line s of a list that had n lines: the same place, or the new last line.
void selectAfterDelete(QListWidget *list, int s, int n)
{
    const int row = s < n - 1 ? s : s - 1;
    if (row >= 0)
        list->setCurrentRow(row);
}

} // namespace

void FrmForma::AddIzdelie(const QString &name, const QString &serial)
{
    const int n = m_izdelieLst->count();
    if (m_izdeliya.size() < 2 * n + 2)
        m_izdeliya.resize(2 * n + 2);
    m_izdeliya[2 * n] = name;
    m_izdeliya[2 * n + 1] = serial;
    m_izdelieLst->addItem(lineforms::izdelieLine(n + 1, name, serial));
}

void FrmForma::clearItems()
{
    m_izdelieLst->clear();
    m_izdeliya.clear();
}

void FrmForma::PokupkiLst_DblClick()
{
    const int s = selectedRow(m_pokupkiLst);
    if (s >= 0 && s < m_pokupki.size())
        showRecordedPurchase(s);
}

void FrmForma::showRecordedPurchase(int s)
{
    m_label1[1]->setText(QStringLiteral("Совершённая покупка"));
    if (m_newMode)
        putAside();
    clearItems();
    for (int i : {0, 1, 2})
        m_pokupkaTxt[i]->clear();
    const TovarCls &r = m_pokupki[s];
    m_pokupkaTxt[3]->setText(r.Day);
    // A month outside the list shows as no month.
    m_pokupkaMesac->setCurrentIndex(r.Mesac >= 0 && r.Mesac < m_pokupkaMesac->count() ? r.Mesac : -1);
    m_pokupkaTxt[4]->setText(r.God);
    m_pokupkaTovar->setEditText(r.Tovar);
    m_pokupkaTxt[5]->setText(r.Summa);
    for (int k = 0; k < r.ListCount() / 2; ++k)
        AddIzdelie(r.List(2 * k), r.List(2 * k + 1));
    m_newMode = false;
    m_pokupkaNum = s;
}

void FrmForma::DelPokupku1_Click()
{
    const int s = selectedRow(m_pokupkiLst);
    if (s < 0 || s >= m_pokupki.size())
        return;
    if (!Dialogs::current().confirm(this, QStringLiteral("Удалить товар ") + m_pokupkiLst->item(s)->text() +
                                              QLatin1Char('?')))
        return;
    const int n = m_pokupkiLst->count();
    m_pokupki.removeAt(s);
    refreshPokupkiLst();
    selectAfterDelete(m_pokupkiLst, s, n);

    const bool shownDeleted = !m_newMode && s == m_pokupkaNum;
    // The purchase shown moves up with the lines below the deleted one.
    if (!m_newMode && s < m_pokupkaNum)
        --m_pokupkaNum;
    FileSave_Click();
    if (shownDeleted)
        Back1_Click();
}

void FrmForma::IzdelieLst_DblClick()
{
    if (selectedRow(m_izdelieLst) < 0)
        return;
    Isprav isprav(m_izdeliya, m_izdelieLst, this);
    isprav.exec();
}

void FrmForma::DelIzdelie1_Click()
{
    const int s = selectedRow(m_izdelieLst);
    if (s < 0)
        return;
    if (!Dialogs::current().confirm(this, QStringLiteral("Удалить изделие ") + m_izdelieLst->item(s)->text() +
                                              QLatin1Char('?')))
        return;
    const int n = m_izdelieLst->count();
    QStringList pairs = m_izdeliya.mid(0, 2 * n);
    pairs.remove(2 * s, 2);
    clearItems();
    for (int k = 0; k + 1 < pairs.size(); k += 2)
        AddIzdelie(pairs[k], pairs[k + 1]);
    selectAfterDelete(m_izdelieLst, s, n);
}

void FrmForma::popUpListMenu(QListWidget *list, QMenu *menu)
{
    if (selectedRow(list) >= 0)
        menu->popup(QCursor::pos());
}

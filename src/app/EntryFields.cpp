// Keys of the entry fields and the lists: Enter moves from field to field and adds items;
// Enter, Delete and the right button act on the selected list line.
#include "FrmForma.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

namespace {

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

bool FrmForma::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_pokupkiLst || watched == m_izdelieLst) {
            const bool purchases = watched == m_pokupkiLst;
            if (isEnter(key)) {
                purchases ? PokupkiLst_DblClick() : IzdelieLst_DblClick();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                purchases ? DelPokupku1_Click() : DelIzdelie1_Click();
                return true;
            }
        } else if (isEnter(key)) {
            handleEnter(static_cast<QWidget *>(watched));
            return true; // Enter never reaches a field
        }
    } else if (event->type() == QEvent::MouseButtonPress &&
               static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        // The right button opens the menu for the line selected before; the selection stays.
        if (watched == m_pokupkiLst->viewport()) {
            popUpListMenu(m_pokupkiLst, m_del2);
            return true;
        }
        if (watched == m_izdelieLst->viewport()) {
            popUpListMenu(m_izdelieLst, m_del1);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool FrmForma::handleEnter(QWidget *field)
{
    const auto filled = [](QLineEdit *edit) { return !edit->text().isEmpty(); };
    const auto moveTo = [](QWidget *next) {
        next->setFocus();
        return true;
    };
    auto &b = m_bzDTxt;
    auto &p = m_pokupkaTxt;

    // The card.
    if (field == b[0] || field == b[1] || field == b[3])
        return filled(static_cast<QLineEdit *>(field)) &&
               moveTo(field == b[0] ? b[1] : field == b[1] ? static_cast<QWidget *>(b[2]) : m_bzDMesac);
    if (field == b[2])
        return moveTo(b[3]);
    if (field == m_bzDMesac)
        return moveTo(b[4]);
    if (field == b[4])
        return b[4]->text().size() >= 4 && moveTo(b[5]);
    if (field == b[5])
        return moveTo(b[6]);

    // The purchase panel.
    if (field == p[0])
        return filled(p[0]) && moveTo(p[1]);
    if (field == p[1])
        return moveTo(p[2]);
    if (field == p[2])
        return moveTo(p[3]);
    if (field == p[3])
        return filled(p[3]) && moveTo(m_pokupkaMesac);
    if (field == m_pokupkaMesac)
        return moveTo(p[4]);
    if (field == p[4])
        return filled(p[4]) && moveTo(m_pokupkaTovar);
    if (field == m_pokupkaTovar)
        return !m_pokupkaTovar->currentText().isEmpty() && moveTo(p[5]);
    if (field == p[5])
        return filled(p[5]) && moveTo(p[6]);
    if (field == p[6])
        return filled(p[6]) && moveTo(p[7]);
    if (field == p[7]) {
        // Item name, Enter, serial number, Enter: each pair becomes a line of the item list.
        if (!filled(p[6]))
            return moveTo(p[6]);
        if (!filled(p[7]))
            return false;
        AddIzdelie(p[6]->text(), p[7]->text());
        hintSoldSerial(p[7]->text());
        p[6]->clear();
        p[7]->clear();
        return moveTo(p[6]);
    }
    return false;
}

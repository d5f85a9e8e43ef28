// Keys of the entry fields and the lists: Enter moves from field to field and adds items;
// Ctrl+Enter records the panel's purchase as OK does; Enter, Delete and the right button act on
// the selected list line; Ctrl+Z in a box with nothing of its own to undo undoes the program's last
// deletion or correction.
#include "FrmForma.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>

namespace {

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// When Enter moves on from a field.
enum class MoveOn { Always, Filled, FourCharacters };

bool mayMoveOn(MoveOn rule, const QString &text)
{
    switch (rule) {
    case MoveOn::Always:
        return true;
    case MoveOn::Filled:
        return !text.isEmpty();
    case MoveOn::FourCharacters:
        return text.size() >= 4;
    }
    return false;
}

QString textOf(QWidget *field)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(field))
        return combo->currentText();
    return {};
}

} // namespace

bool FrmForma::isPanelControl(const QObject *watched) const
{
    for (const QLineEdit *edit : m_pokupkaTxt)
        if (watched == edit)
            return true;
    return watched == m_pokupkaMesac || watched == m_pokupkaTovar || watched == m_izdelieLst ||
           watched == m_kOK;
}

bool FrmForma::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // Left unclaimed, the key reaches the menu's "Отменить".
        const QLineEdit *edit =
            watched == m_pokupkaTovar ? m_pokupkaTovar->lineEdit() : qobject_cast<const QLineEdit *>(watched);
        if (edit && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo) && !edit->isUndoAvailable())
            return true;
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (isEnter(key) && key->modifiers().testFlag(Qt::ControlModifier) && isPanelControl(watched)) {
            kOK_Click();
            return true;
        }
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
        } else if (isEnter(key) && watched != m_kOK) {
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
    using P = PokupkaField;
    // The serial number adds an item instead of moving on.
    if (field == pk(P::SerNomer))
        return addItemFromPanel();

    const struct {
        QWidget *from;
        MoveOn rule;
        QWidget *to;
    } steps[] = {
        {bz(BzD::Familiya), MoveOn::Filled, bz(BzD::Imya)},
        {bz(BzD::Imya), MoveOn::Filled, bz(BzD::Otchestvo)},
        {bz(BzD::Otchestvo), MoveOn::Always, bz(BzD::DenRozhd)},
        {bz(BzD::DenRozhd), MoveOn::Filled, m_bzDMesac},
        {m_bzDMesac, MoveOn::Always, bz(BzD::GodRozhd)},
        {bz(BzD::GodRozhd), MoveOn::FourCharacters, bz(BzD::TelDom)},
        {bz(BzD::TelDom), MoveOn::Always, bz(BzD::TelRab)},
        {pk(P::Familiya), MoveOn::Filled, pk(P::Telephon1)},
        {pk(P::Telephon1), MoveOn::Always, pk(P::Telephon2)},
        {pk(P::Telephon2), MoveOn::Always, pk(P::Day)},
        {pk(P::Day), MoveOn::Filled, m_pokupkaMesac},
        {m_pokupkaMesac, MoveOn::Always, pk(P::God)},
        {pk(P::God), MoveOn::Filled, m_pokupkaTovar},
        {m_pokupkaTovar, MoveOn::Filled, pk(P::Summa)},
        {pk(P::Summa), MoveOn::Filled, pk(P::Izdelie)},
        {pk(P::Izdelie), MoveOn::Filled, pk(P::SerNomer)},
    };
    for (const auto &step : steps) {
        if (step.from != field)
            continue;
        if (!mayMoveOn(step.rule, textOf(field)))
            return false;
        step.to->setFocus();
        return true;
    }
    return false; // the work phone, and anything else, keeps the focus
}

bool FrmForma::addItemFromPanel()
{
    // Item name, Enter, serial number, Enter: each pair becomes a line of the item list.
    QLineEdit *name = pk(PokupkaField::Izdelie);
    QLineEdit *serial = pk(PokupkaField::SerNomer);
    if (name->text().isEmpty()) {
        name->setFocus();
        return true;
    }
    if (serial->text().isEmpty())
        return false;
    AddIzdelie(name->text(), serial->text());
    hintSoldSerial(serial->text());
    name->clear();
    serial->clear();
    name->setFocus();
    return true;
}

#include "PurchasePanelState.h"

void PurchasePanelState::startNew(int purchases)
{
    m_newMode = true;
    m_pokupkaNum = purchases;
    m_items.clear();
}

void PurchasePanelState::show(int row, const TovarCls &shown, const NewTovarCls &typed)
{
    if (m_newMode) {
        m_savedNewPokupka = typed;
        static_cast<TovarCls &>(m_savedNewPokupka) = withItems(typed);
    }
    m_items.setStrings(shown.items());
    m_newMode = false;
    m_pokupkaNum = row;
}

const NewTovarCls &PurchasePanelState::restore()
{
    m_items.setStrings(m_savedNewPokupka.items());
    m_newMode = true;
    return m_savedNewPokupka;
}

TovarCls PurchasePanelState::withItems(TovarCls typed) const
{
    typed.Clear();
    for (const QString &s : m_items.strings())
        typed.NewIzdelie(s);
    return typed;
}

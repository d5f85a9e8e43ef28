#pragma once

#include "ItemListModel.h"
#include "TovarCls.h"

#include <QList>

// The purchase panel's state: a new purchase being typed, or a recorded one shown (which OK
// corrects), the new one put aside meanwhile; and the panel's items.
class PurchasePanelState {
public:
    bool NewMode() const { return m_newMode; }
    // The position a new purchase takes in the card, or the shown purchase's.
    int PokupkaNum() const { return m_pokupkaNum; }
    void setPokupkaNum(int position) { m_pokupkaNum = position; }
    const NewTovarCls &SavedNewPokupka() const { return m_savedNewPokupka; }
    const QStringList &Izdeliya() const { return m_items.strings(); }
    ItemListModel &izdeliyaModel() { return m_items; }

    // An empty new purchase, after the card's `purchases` purchases.
    void startNew(int purchases);
    // Another card opened: the purchase typed stays, items and all, to go after its purchases.
    void keepNew(int purchases)
    {
        m_newMode = true;
        m_pokupkaNum = purchases;
    }
    // Shows recorded purchase `shown` at `row`, putting aside first the new one typed (`typed`,
    // items apart).
    void show(int row, const TovarCls &shown, const NewTovarCls &typed);
    // Back to the purchase put aside: its items again, new mode.
    const NewTovarCls &restore();
    // `typed` with the panel's items.
    TovarCls withItems(TovarCls typed) const;

private:
    bool m_newMode = true;
    int m_pokupkaNum = 0;
    NewTovarCls m_savedNewPokupka;
    ItemListModel m_items;
};

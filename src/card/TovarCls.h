#pragma once

#include <QString>
#include <QStringList>

// One purchase of a customer card: its date, goods, sum and the sold items.
// Item strings come in pairs: 2k is the item name, 2k+1 its serial number.
class TovarCls {
public:
    QString Day;
    int Mesac = 0; // 0 = "Января" ... 11 = "Декабря"
    QString God;
    QString Tovar;
    QString Summa;

    int ListCount() const { return int(m_items.size()); }
    void NewIzdelie(const QString &text) { m_items.append(text); }
    QString List(int index) const { return m_items.value(index); }
    void Clear() { m_items.clear(); }
    const QStringList &items() const { return m_items; }

    bool operator==(const TovarCls &) const = default;

private:
    QStringList m_items;
};

// A new purchase as typed into the purchase panel, customer fields included.
class NewTovarCls : public TovarCls {
public:
    QString Familiya;
    QString Telephon1;
    QString Telephon2;

    bool operator==(const NewTovarCls &) const = default;
};

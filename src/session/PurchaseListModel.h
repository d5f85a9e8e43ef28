#pragma once

#include "TovarCls.h"

#include <QAbstractListModel>
#include <QList>

// The open card's purchases, one line " n Tovar" each, numbered from 1 in card order.
class PurchaseListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    const QList<TovarCls> &purchases() const { return m_purchases; }
    void setPurchases(QList<TovarCls> purchases);
    void append(const TovarCls &purchase);
    void replace(int row, const TovarCls &purchase);
    void remove(int row);
    void insert(int row, const TovarCls &purchase);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QList<TovarCls> m_purchases;
};

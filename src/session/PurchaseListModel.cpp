#include "PurchaseListModel.h"

#include "LineForms.h"

void PurchaseListModel::setPurchases(QList<TovarCls> purchases)
{
    beginResetModel();
    m_purchases = std::move(purchases);
    endResetModel();
}

void PurchaseListModel::append(const TovarCls &purchase)
{
    const int row = int(m_purchases.size());
    beginInsertRows({}, row, row);
    m_purchases.append(purchase);
    endInsertRows();
}

void PurchaseListModel::replace(int row, const TovarCls &purchase)
{
    m_purchases[row] = purchase;
    emit dataChanged(index(row), index(row));
}

void PurchaseListModel::insert(int row, const TovarCls &purchase)
{
    beginInsertRows({}, row, row);
    m_purchases.insert(row, purchase);
    endInsertRows();
    // Every line below the inserted one is numbered anew.
    if (row + 1 < m_purchases.size())
        emit dataChanged(index(row + 1), index(int(m_purchases.size()) - 1));
}

void PurchaseListModel::remove(int row)
{
    beginRemoveRows({}, row, row);
    m_purchases.removeAt(row);
    endRemoveRows();
    // Every line below the removed one is numbered anew.
    if (row < m_purchases.size())
        emit dataChanged(index(row), index(int(m_purchases.size()) - 1));
}

int PurchaseListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_purchases.size());
}

QVariant PurchaseListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return lineforms::pokupkaLine(index.row() + 1, m_purchases[index.row()].Tovar);
}

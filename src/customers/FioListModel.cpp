#include "FioListModel.h"

#include "NumberForm.h"

FioListModel::FioListModel(const KlientIndex &index, QObject *parent)
    : QAbstractListModel(parent), m_index(index)
{
}

void FioListModel::setOrder(QList<int> order)
{
    beginResetModel();
    m_order = std::move(order);
    endResetModel();
}

int FioListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

QVariant FioListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_order.size())
        return {};
    const int position = m_order[index.row()];
    if (position < 0 || position >= m_index.KlientCount())
        return {};
    return numform::numText(index.row() + 1) + QLatin1Char(' ') + m_index.at(position).FIO;
}

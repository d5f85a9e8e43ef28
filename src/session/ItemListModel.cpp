#include "ItemListModel.h"

#include "LineForms.h"

void ItemListModel::setStrings(const QStringList &strings)
{
    beginResetModel();
    m_strings = strings;
    if (m_strings.size() % 2)
        m_strings.removeLast(); // a lone last string is no item
    endResetModel();
}

void ItemListModel::append(const QString &name, const QString &serial)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_strings << name << serial;
    endInsertRows();
}

bool ItemListModel::setItem(int row, const QString &name, const QString &serial)
{
    if (row < 0 || row >= rowCount() || (name == m_strings[2 * row] && serial == m_strings[2 * row + 1]))
        return false;
    m_strings[2 * row] = name;
    m_strings[2 * row + 1] = serial;
    emit dataChanged(index(row), index(row));
    return true;
}

void ItemListModel::remove(int row)
{
    beginRemoveRows({}, row, row);
    m_strings.remove(2 * row, 2);
    endRemoveRows();
    // Every line below the removed one is numbered anew.
    if (row < rowCount())
        emit dataChanged(index(row), index(rowCount() - 1));
}

int ItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_strings.size() / 2);
}

QVariant ItemListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = index.row();
    return lineforms::izdelieLine(row + 1, m_strings[2 * row], m_strings[2 * row + 1]);
}

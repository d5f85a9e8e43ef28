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

namespace {

QChar folded(QChar c)
{
    const QChar lower = c.toLower();
    return lower == QChar(0x0451) ? QChar(0x0435) : lower; // ё as е
}

bool startsWithFolded(const QString &text, const QString &typed)
{
    if (text.size() < typed.size())
        return false;
    for (qsizetype i = 0; i < typed.size(); ++i)
        if (folded(text[i]) != folded(typed[i]))
            return false;
    return true;
}

} // namespace

int FioListModel::rowStartingWith(const QString &typed) const
{
    if (typed.isEmpty())
        return -1;
    for (qsizetype row = 0; row < m_order.size(); ++row) {
        const int position = m_order[row];
        if (position >= 0 && position < m_index.KlientCount() &&
            startsWithFolded(m_index.at(position).FIO, typed))
            return int(row);
    }
    return -1;
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

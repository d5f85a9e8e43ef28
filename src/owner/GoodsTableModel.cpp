#include "GoodsTableModel.h"

#include "MoneyText.h"

#include <QLocale>

namespace {

constexpr SalesReport::GoodsColumn kColumns[] = {
    SalesReport::GoodsColumn::Name, SalesReport::GoodsColumn::Sales, SalesReport::GoodsColumn::Sum};
const char *const kCaptions[] = {"Товар", "Продаж", "Сумма"};

} // namespace

void GoodsTableModel::setRows(QList<SalesReport::GoodsRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    if (m_sortColumn >= 0)
        SalesReport::sortGoods(m_rows, kColumns[m_sortColumn], m_sortOrder);
    endResetModel();
}

int GoodsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GoodsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(std::size(kColumns));
}

QVariant GoodsTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const SalesReport::GoodsRow &row = m_rows[index.row()];
    if (role == Qt::TextAlignmentRole && index.column() > 0)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return row.name;
    case 1:
        return QLocale(QLocale::Russian, QLocale::Russia).toString(row.sales);
    default:
        return moneyText(row.sum);
    }
}

QVariant GoodsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= int(std::size(kCaptions)))
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kCaptions[section]);
}

void GoodsTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= int(std::size(kColumns)))
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    SalesReport::sortGoods(m_rows, kColumns[column], order);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

#include "SearchResultModel.h"

#include "PurchaseDate.h"

#include <QColor>

namespace {

const char *const kColumns[] = {"Покупатель", "Телефоны",   "Дата",        "Товар", "Сумма",
                                "Изделие",    "Сер. номер", "Гарантия до", "Файл"};
constexpr int kWarrantyColumn = 7;
constexpr int kColumnCount = int(std::size(kColumns));

} // namespace

SearchResultModel::SearchResultModel(Resolver resolve, QObject *parent)
    : QAbstractTableModel(parent), m_resolve(std::move(resolve))
{
}

void SearchResultModel::setResult(SearchResult result)
{
    beginResetModel();
    m_today = QDate::currentDate();
    m_result = std::move(result);
    m_rows.clear();
    endResetModel();
}

const SearchHit *SearchResultModel::hitAt(int row) const
{
    return row >= 0 && row < m_result.hits.size() ? &m_result.hits[row] : nullptr;
}

int SearchResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_result.hits.size());
}

int SearchResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant SearchResultModel::data(const QModelIndex &index, int role) const
{
    const SearchHit *hit = hitAt(index.row());
    const bool display = role == Qt::DisplayRole;
    const bool expiry = role == Qt::ForegroundRole && index.column() == kWarrantyColumn;
    if (!(display || expiry) || !hit || index.column() < 0 || index.column() >= kColumnCount)
        return {};
    auto cached = m_rows.find(index.row());
    if (cached == m_rows.end())
        cached = m_rows.insert(index.row(), m_resolve(*hit));
    const SearchRow *row = &*cached;
    if (expiry) // an expired warranty in grey
        return row->warrantyEnd.isValid() && row->warrantyEnd < m_today ? QVariant(QColor(Qt::gray))
                                                                        : QVariant();
    switch (index.column()) {
    case 0:
        return row->fio;
    case 1:
        return row->phones;
    case 2:
        return row->date;
    case 3:
        return row->tovar;
    case 4:
        return row->summa;
    case 5:
        return row->izdelie;
    case 6:
        return row->serial;
    case kWarrantyColumn:
        return row->warrantyEnd.isValid() ? spokenDate(row->warrantyEnd) : QString();
    default:
        return row->fileName;
    }
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kColumns[section]);
}

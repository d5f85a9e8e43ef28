#include "SearchResultModel.h"

#include "PurchaseDate.h"

#include <QColor>

#include <algorithm>
#include <span>

namespace {

// A column: its caption and the fields it shows, one a line.
struct Column {
    const char *caption;
    QString (*text)(const SearchRow &row);
};

QString warrantyText(const SearchRow &row)
{
    return row.warrantyEnd.isValid() ? spokenDate(row.warrantyEnd) : QString();
}

const Column kFull[] = {
    {"Покупатель", [](const SearchRow &r) { return r.fio; }},
    {"Телефоны", [](const SearchRow &r) { return r.phones; }},
    {"Дата", [](const SearchRow &r) { return r.date; }},
    {"Товар", [](const SearchRow &r) { return r.tovar; }},
    {"Сумма", [](const SearchRow &r) { return r.summa; }},
    {"Изделие", [](const SearchRow &r) { return r.izdelie; }},
    {"Сер. номер", [](const SearchRow &r) { return r.serial; }},
    {"Гарантия до", warrantyText},
    {"Файл", [](const SearchRow &r) { return r.fileName; }},
};

// Two fields a column, for a narrow screen.
QString lines(const QString &first, const QString &second)
{
    return second.isEmpty() ? first : first + QLatin1Char('\n') + second;
}
const Column kCompact[] = {
    {"Покупатель", [](const SearchRow &r) { return lines(r.fio, r.phones); }},
    {"Покупка", [](const SearchRow &r) { return lines(r.date, r.tovar); }},
    {"Сумма", [](const SearchRow &r) { return r.summa; }},
    {"Изделие,\nсер. номер", [](const SearchRow &r) { return lines(r.izdelie, r.serial); }},
    {"Гарантия до", warrantyText},
    {"Файл", [](const SearchRow &r) { return r.fileName; }},
};

std::span<const Column> columnsOf(bool compact)
{
    if (compact)
        return kCompact;
    return kFull;
}

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

void SearchResultModel::setCompact(bool compact)
{
    if (compact == m_compact)
        return;
    beginResetModel();
    m_compact = compact;
    endResetModel();
}

int SearchResultModel::warrantyColumn() const
{
    const std::span<const Column> shown = columnsOf(m_compact);
    return int(
        std::find_if(shown.begin(), shown.end(), [](const Column &c) { return c.text == warrantyText; }) -
        shown.begin());
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
    if (parent.isValid())
        return 0;
    return int(columnsOf(m_compact).size());
}

QVariant SearchResultModel::data(const QModelIndex &index, int role) const
{
    const SearchHit *hit = hitAt(index.row());
    const bool display = role == Qt::DisplayRole;
    const bool expiry = role == Qt::ForegroundRole && index.column() == warrantyColumn();
    if (!(display || expiry) || !hit || index.column() < 0 || index.column() >= columnCount())
        return {};
    auto cached = m_rows.find(index.row());
    if (cached == m_rows.end())
        cached = m_rows.insert(index.row(), m_resolve(*hit));
    const SearchRow &row = *cached;
    if (expiry) // an expired warranty in grey
        return row.warrantyEnd.isValid() && row.warrantyEnd < m_today ? QVariant(QColor(Qt::gray))
                                                                      : QVariant();
    return columnsOf(m_compact)[index.column()].text(row);
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(columnsOf(m_compact)[section].caption);
}

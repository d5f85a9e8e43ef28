#pragma once

#include "SearchIndex.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>

#include <functional>

// The rows of one search, one column per field shown. A row's texts are read from its card only
// when the view asks for them, so a search with many rows costs no reading.
class SearchResultModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using Resolver = std::function<SearchRow(const SearchHit &)>;
    explicit SearchResultModel(Resolver resolve, QObject *parent = nullptr);

    void setResult(SearchResult result);
    const SearchResult &result() const { return m_result; }
    const SearchHit *hitAt(int row) const;
    // Two fields a column and two lines a row, for a narrow screen; else one field a column.
    void setCompact(bool compact);
    bool isCompact() const { return m_compact; }
    int warrantyColumn() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Resolver m_resolve;
    SearchResult m_result;
    bool m_compact = false;
    QDate m_today; // of the search: what ended before it is grey
    mutable QHash<int, SearchRow> m_rows;
};

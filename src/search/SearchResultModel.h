#pragma once

#include "SearchIndex.h"

#include <QAbstractTableModel>

// The rows of one search, one column per field shown.
class SearchResultModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setResult(SearchResult result);
    const SearchResult &result() const { return m_result; }
    const SearchRow *rowAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    SearchResult m_result;
};

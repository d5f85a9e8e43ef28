#pragma once

#include "KlientIndex.h"

#include <QAbstractListModel>
#include <QList>

// The numbered customer lines " k FIO" in list order. Each row keeps the position of its index
// entry, so a line maps to its customer exactly, whatever the full name holds.
class FioListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit FioListModel(const KlientIndex &index, QObject *parent = nullptr);

    // Rebuilds the rows from the index in the given order of positions.
    void setOrder(QList<int> order);
    void clear() { setOrder({}); }
    int positionAt(int row) const { return m_order.value(row, -1); }
    // The row of the index position, -1 when it is not listed.
    int rowOf(int position) const { return int(m_order.indexOf(position)); }
    // The first row whose full name starts with `typed`, letter case ignored and «ё» read as «е»;
    // -1 when none does.
    int rowStartingWith(const QString &typed) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    const KlientIndex &m_index;
    QList<int> m_order;
};

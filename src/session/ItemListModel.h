#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The purchase panel's items, one line " n name №serial" each. The strings are kept in pairs:
// 2k is the item name, 2k+1 its serial number.
class ItemListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    const QStringList &strings() const { return m_strings; }
    // The item strings of a purchase, taken in whole pairs.
    void setStrings(const QStringList &strings);
    void append(const QString &name, const QString &serial);
    // Replaces an item; false when both strings are as they were.
    bool setItem(int row, const QString &name, const QString &serial);
    void remove(int row);
    void clear() { setStrings({}); }

    QString name(int row) const { return m_strings.value(2 * row); }
    QString serial(int row) const { return m_strings.value(2 * row + 1); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_strings;
};

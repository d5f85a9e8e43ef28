#pragma once

#include "CardHistory.h"

#include <QAbstractListModel>

// A version as the versions list shows it: when it was replaced and what that write changed.
struct ListedVersion {
    CardVersion version;
    QString line;
};

// The versions of a card to list, newest first, `now` being the card's content now. A version
// equal to what followed it (a write killed after it kept the version, before it replaced the
// card) changed nothing and is left out.
QList<ListedVersion> listedVersions(QList<CardVersion> versions, const QByteArray &now);

// The versions list: one line a version, newest first.
class VersionListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void setVersions(QList<ListedVersion> versions);
    const CardVersion &version(int row) const { return m_versions[row].version; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QList<ListedVersion> m_versions;
};

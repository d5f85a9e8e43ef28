#include "VersionList.h"

#include "ChangeWords.h"

QList<ListedVersion> listedVersions(QList<CardVersion> versions, const QByteArray &now)
{
    QList<ListedVersion> listed;
    for (qsizetype i = versions.size() - 1; i >= 0; --i) {
        const QByteArray &next = i + 1 < versions.size() ? versions[i + 1].bytes : now;
        if (versions[i].bytes == next) {
            versions.remove(i); // the next older one is then set against what follows this one
            continue;
        }
        listed.append({versions[i], versionLine(versions[i], next)});
    }
    return listed;
}

void VersionListModel::setVersions(QList<ListedVersion> versions)
{
    beginResetModel();
    m_versions = std::move(versions);
    endResetModel();
}

int VersionListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_versions.size());
}

QVariant VersionListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        role != Qt::DisplayRole)
        return {};
    return m_versions[index.row()].line;
}

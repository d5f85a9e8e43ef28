#include "RemovableDrives.h"

#include <QStorageInfo>

namespace removable {

bool isRemovableMount(const QString &rootPath)
{
    for (const char *place : {"/media/", "/run/media/", "/mnt/"})
        if (rootPath.startsWith(QLatin1String(place)) && rootPath.size() > qsizetype(qstrlen(place)))
            return true;
    return false;
}

QList<QUrl> mountedDrives()
{
    QList<QUrl> drives;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && isRemovableMount(volume.rootPath()))
            drives << QUrl::fromLocalFile(volume.rootPath());
    return drives;
}

} // namespace removable

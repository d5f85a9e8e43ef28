#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// Flash drives and other removable disks the desktop has mounted, to offer in the file dialogs'
// side panel: a backup goes off the computer without hunting for the drive under /media.
namespace removable {

// True for a writable or readable disk mounted where desktops mount removable ones.
bool isRemovableMount(const QString &rootPath);
// The mounted, ready removable disks, as folder URLs.
QList<QUrl> mountedDrives();

} // namespace removable

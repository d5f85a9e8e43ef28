#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace backup {

// The name of the automatic backup of `day`: "Тарвеско 2026-12-08.zip".
QString dailyBackupName(QDate day);

// Of the file names in a folder of automatic backups, those to remove: the newest 7 backups stay,
// and beyond them the newest backup of each of the 4 newest ISO weeks none of those 7 is from.
// Names that are not exactly an automatic backup's are never among them.
QStringList backupsToRemove(const QStringList &fileNames);

} // namespace backup

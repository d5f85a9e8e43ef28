#include "Rotation.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>

namespace backup {
namespace {

constexpr int kDaily = 7;
constexpr int kWeekly = 4;

// ISO year and week: the days from 29 December to 3 January may fall in the other year's week.
int weekOf(QDate day)
{
    int year = 0;
    const int week = day.weekNumber(&year);
    return year * 100 + week;
}

} // namespace

QString dailyBackupName(QDate day)
{
    return QStringLiteral("Тарвеско %1.zip").arg(day.toString(Qt::ISODate));
}

QStringList backupsToRemove(const QStringList &fileNames)
{
    static const QRegularExpression pattern(QStringLiteral("^Тарвеско ([0-9]{4}-[0-9]{2}-[0-9]{2})\\.zip$"));
    QList<std::pair<QDate, QString>> backups;
    for (const QString &name : fileNames) {
        const QRegularExpressionMatch match = pattern.match(name);
        const QDate day = match.hasMatch() ? QDate::fromString(match.captured(1), Qt::ISODate) : QDate();
        if (day.isValid())
            backups.append({day, name});
    }
    std::sort(backups.begin(), backups.end(), [](const auto &a, const auto &b) { return a.first > b.first; });

    QSet<int> keptWeeks;
    int weekly = 0;
    QStringList remove;
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const int week = weekOf(backups[i].first);
        if (i < kDaily) {
            keptWeeks.insert(week);
        } else if (weekly < kWeekly && !keptWeeks.contains(week)) {
            keptWeeks.insert(week); // the newest of its week: the list runs from the newest
            ++weekly;
        } else {
            remove.append(backups[i].second);
        }
    }
    return remove;
}

} // namespace backup

#include "DataFolder.h"

QString bazaPathFor(const QString &programFolder)
{
    const QChar sep = programFolder.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/');
    QString path = programFolder;
    if (!path.endsWith(sep))
        path += sep;
    return path + QStringLiteral("База") + sep;
}

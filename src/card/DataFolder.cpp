#include "DataFolder.h"

QString bazaPathFor(const QString &programFolder, FolderSeparator separator)
{
    const bool backslash =
        separator == FolderSeparator::BackslashIfAny && programFolder.contains(QLatin1Char('\\'));
    const QChar sep = backslash ? QLatin1Char('\\') : QLatin1Char('/');
    QString path = programFolder;
    if (!path.endsWith(sep))
        path += sep;
    return path + QStringLiteral("База") + sep;
}

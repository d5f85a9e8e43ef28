#include "OpenUrl.h"

#include "Shell.h"

#include <QCoreApplication>
#include <QUrl>

void OpenURL(const QString &file)
{
    Shell::current().open(QUrl::fromLocalFile(file), QCoreApplication::applicationDirPath());
}

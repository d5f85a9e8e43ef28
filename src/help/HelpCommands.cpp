#include "HelpCommands.h"

#include "FrmOprog.h"
#include "OpenUrl.h"

void callHelp(const QString &bazaPath)
{
    OpenURL(bazaPath + QStringLiteral("Справка.html"));
}

void showAbout(QWidget *parent, const QString &bazaPath)
{
    FrmOprog frmOprog(bazaPath, parent);
    frmOprog.exec();
}

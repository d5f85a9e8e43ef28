#include "DataFolder.h"
#include "ExitSignals.h"
#include "FrmForma.h"
#include "ProgramFont.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    ExitSignals::ignoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    app.setFont(programFont());

    // On this system only "/" separates folders: a program folder named "shop\x" is one folder.
    FrmForma window(bazaPathFor(QCoreApplication::applicationDirPath(), FolderSeparator::Slash));
    window.show();
    QCoreApplication::processEvents();
    window.finishStartUp(QStringLiteral("Товары.txt"));
    window.startDailyBackup();
    // Only now: a window closed before the event loop runs would not end the program.
    const ExitSignals exitSignals(window);
    return app.exec();
}

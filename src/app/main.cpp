#include "BaseRestore.h"
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
    const QString bazaPath = bazaPathFor(QCoreApplication::applicationDirPath(), FolderSeparator::Slash);
    backup::finishInterruptedRestore(bazaPath); // a restore killed half-way, before the base is read
    FrmForma window(bazaPath);
    window.show();
    QCoreApplication::processEvents();
    window.finishStartUp(QStringLiteral("Товары.txt"));
    window.startDailyBackup();
    // Only now: a window closed before the event loop runs would not end the program.
    const ExitSignals exitSignals(window);
    return app.exec();
}

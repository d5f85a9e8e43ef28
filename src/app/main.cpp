#include "DataFolder.h"
#include "Dialogs.h"
#include "ExitSignals.h"
#include "FrmForma.h"
#include "ProgramFont.h"
#include "Shop.h"
#include "StartUpSplash.h"

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
    const QString goodsPath = QStringLiteral("Товары.txt");
    // A restore killed half-way is completed before the base is read.
    Shop::finishInterruptedRestore(bazaPath, goodsPath);
    if (Shop::heldAloneElsewhere(bazaPath)) {
        // Another till holds the base alone: it is replacing it with a backup right now.
        Dialogs::current().critical(nullptr,
                                    QStringLiteral("Базу сейчас восстанавливают из копии на другой "
                                                   "кассе. Запустите программу, когда это закончится."));
        return 1;
    }
    StartUpSplash splash;
    Shop shop(bazaPath, goodsPath,
              [&splash](qsizetype read, qsizetype total) { splash.progress(read, total); });
    FrmForma window(shop);
    window.show();
    splash.finish(&window);
    QCoreApplication::processEvents();
    window.finishStartUp();
    shop.startDailyBackup();
    // Only now: a window closed before the event loop runs would not end the program.
    const ExitSignals exitSignals(window);
    return app.exec();
}

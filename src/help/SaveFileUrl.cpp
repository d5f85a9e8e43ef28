#include "SaveFileUrl.h"

#include "Cp1251.h"
#include "Dialogs.h"
#include "FileError.h"
#include "OpenUrl.h"
#include "SafeFile.h"

#include <QApplication>
#include <QCursor>

namespace {

// The page, in the code page it declares; the address goes in as it is, without escaping.
QByteArray redirectPage(const QString &address)
{
    const QString text =
        QStringLiteral("<html><head><meta http-equiv='refresh' content='0; url=") + address +
        QStringLiteral("'><meta http-equiv='Content-Type' content='text/html; "
                       "charset=windows-1251'><title>WWW</title></head><body></body></html>");
    return cp1251::encode(text) + "\r\n";
}

// The message is read under the normal pointer even while the caller shows the hourglass.
void tellCannotSave(QWidget *parent, const QString &folder, FileError error)
{
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    Dialogs::current().critical(parent, writeFailureMessage(folder, error));
    if (waiting)
        QApplication::restoreOverrideCursor();
}

} // namespace

QString SaveFileUrl(const QString &bazaPath, const QString &address, QWidget *parent)
{
    const QByteArray page = redirectPage(address);

    QString name;
    FileError error = FileError::Other;
    for (int n = 0; n < kRedirectPageTries; ++n) {
        name = QString::number(n) + QStringLiteral(".html");
        error = safefile::replaceFile(bazaPath + name, page);
        if (error == FileError::None)
            break;
    }
    if (error != FileError::None) {
        // Every page was refused: the message names the folder, not a page that was never written.
        QString folder = bazaPath;
        folder.chop(1); // its separator
        tellCannotSave(parent, folder, error);
        return {};
    }

    QCoreApplication::processEvents();
    const QString path = bazaPath + name;
    OpenURL(path);
    return path;
}

#include "Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

class DesktopShell final : public Shell {
public:
    // The desktop services cannot be told a working directory, so xdg-open is asked directly; where
    // it cannot be started they still open the document, from wherever the program runs.
    void open(const QUrl &url, const QString &workingDirectory) override
    {
        const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString();
        if (!QProcess::startDetached(QStringLiteral("xdg-open"), {target}, workingDirectory))
            QDesktopServices::openUrl(url);
    }
};

Shell *g_installed = nullptr;

} // namespace

Shell &Shell::current()
{
    static DesktopShell desktop;
    return g_installed ? *g_installed : desktop;
}

void Shell::install(Shell *shell)
{
    g_installed = shell;
}

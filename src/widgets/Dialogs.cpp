#include "Dialogs.h"

#include <QMessageBox>

namespace {

class MessageBoxDialogs final : public Dialogs {
public:
    void critical(QWidget *parent, const QString &text) override
    {
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kProgramTitle), text, QMessageBox::Ok,
                        parent);
        box.exec();
    }

    bool confirm(QWidget *parent, const QString &text) override
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Запрос"), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() != QMessageBox::No;
    }
};

Dialogs *g_installed = nullptr;

} // namespace

Dialogs &Dialogs::current()
{
    static MessageBoxDialogs boxes;
    return g_installed ? *g_installed : boxes;
}

void Dialogs::install(Dialogs *dialogs)
{
    g_installed = dialogs;
}

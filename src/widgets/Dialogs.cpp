#include "Dialogs.h"

#include <QFileDialog>
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

void Dialogs::notify(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kProgramTitle), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString Dialogs::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                              const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString Dialogs::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                              const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

Dialogs &Dialogs::current()
{
    static MessageBoxDialogs boxes;
    return g_installed ? *g_installed : boxes;
}

void Dialogs::install(Dialogs *dialogs)
{
    g_installed = dialogs;
}

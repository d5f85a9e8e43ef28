#include "Dialogs.h"

#include "RemovableDrives.h"

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

namespace {

// Qt's own file dialog, with the mounted flash drives in its side panel.
QString chooseFile(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
                   QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setSidebarUrls(dialog.sidebarUrls() + removable::mountedDrives());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString Dialogs::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                              const QString &filter)
{
    return chooseFile(parent, caption, suggested, filter, QFileDialog::AcceptSave);
}

QString Dialogs::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                              const QString &filter)
{
    return chooseFile(parent, caption, folder, filter, QFileDialog::AcceptOpen);
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

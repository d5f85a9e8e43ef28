// The owner's commands: the sales report, the export to a spreadsheet, the warranty slip and the
// warranty terms.
#include "FrmForma.h"

#include "Dialogs.h"
#include "ReportWindow.h"
#include "SlipPreview.h"
#include "SlipTemplate.h"
#include "WarrantyWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace {

// Messages of work started in the report window go over that window.
QWidget *frontWindow(QWidget *main)
{
    QWidget *active = QApplication::activeWindow();
    return active ? active : main;
}

} // namespace

void FrmForma::FileReport_Click()
{
    if (!m_reportWindow) {
        m_reportWindow = new ReportWindow(m_shop.owner(), this);
        connect(m_reportWindow, &ReportWindow::exportAsked, this, [this](const QDate &from, const QDate &to) {
            startExport(ExportScope{from, to});
        });
    }
    m_reportWindow->show();
    m_reportWindow->raise();
    m_reportWindow->activateWindow();
}

void FrmForma::FileExport_Click()
{
    startExport(ExportScope{});
}

void FrmForma::startExport(const ExportScope &scope)
{
    OwnerWork &owner = m_shop.owner();
    if (owner.exportRunning())
        return; // one at a time
    const QString name = scope.allTime() ? QStringLiteral("Покупки.xlsx")
                                         : QStringLiteral("Покупки %1–%2.xlsx")
                                               .arg(scope.from.toString(QStringLiteral("dd.MM.yyyy")),
                                                    scope.to.toString(QStringLiteral("dd.MM.yyyy")));
    QString path = Dialogs::current().saveFileName(
        frontWindow(this), QStringLiteral("Экспорт"), QDir::home().filePath(name),
        QStringLiteral("Книга Excel (*.xlsx);;Текст CSV для Excel (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".xlsx");
    if (!owner.startExport(path, scope, m_shop.warranty()))
        return;
    auto *progress =
        new QProgressDialog(QStringLiteral("Экспорт покупок в файл\r\n") + QDir::toNativeSeparators(path),
                            QStringLiteral("Отмена"), 0, 0, frontWindow(this));
    progress->setObjectName(QStringLiteral("ExportProgress"));
    progress->setWindowTitle(QString::fromUtf8(kProgramTitle));
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, &owner, &OwnerWork::cancelExport);
    connect(&owner, &OwnerWork::exportProgress, progress, [progress](int done, int total) {
        progress->setRange(0, total);
        progress->setValue(done);
    });
    connect(&owner, &OwnerWork::exportDone, progress,
            [this, progress](const QString &target, const SalesExport::Result &result) {
                QWidget *parent = progress->parentWidget();
                progress->close();
                exportDone(parent, target, result);
            });
    progress->show();
}

void FrmForma::exportDone(QWidget *parent, const QString &target, const SalesExport::Result &result)
{
    if (result.cancelled)
        return;
    if (!result.done()) {
        Dialogs::current().critical(parent, result.message);
        return;
    }
    QString text = QStringLiteral("Экспорт записан:\r\n%1\r\nПокупателей: %2, строк: %3.")
                       .arg(QDir::toNativeSeparators(target))
                       .arg(result.customers)
                       .arg(result.rows);
    if (result.unreadableDates > 0)
        text += QStringLiteral("\r\nНе вошли (дата не распознана): %1.").arg(result.unreadableDates);
    if (result.unreadCards > 0)
        text += QStringLiteral("\r\nКарточек не прочитано: %1.").arg(result.unreadCards);
    Dialogs::current().notify(parent, text);
}

void FrmForma::FilePrint_Click()
{
    Shop::Slip slip = m_shop.slipOfShownPurchase();
    if (slip.templateUnusable) {
        if (!Dialogs::current().confirm(this,
                                        slip.error + QStringLiteral("\r\n\r\nВернуть талон, поставляемый с "
                                                                    "программой? Изменённый талон "
                                                                    "останется в прежних версиях.")))
            return;
        const FileError error = m_shop.restoreShippedSlip();
        if (error != FileError::None) {
            Dialogs::current().critical(this, writeFailureMessage(SlipTemplate::fileName(), error));
            return;
        }
        slip = m_shop.slipOfShownPurchase();
    }
    if (!slip.error.isEmpty()) {
        tell(slip.error, true);
        return;
    }
    if (!slip.notice.isEmpty())
        tell(slip.notice);
    const QString html = slip.html;
    const QString suggested = QDir::home().filePath(slip.name + QStringLiteral(".pdf"));
    auto *preview = new SlipPreview(
        html, slip.title,
        [this, html, suggested] {
            QWidget *parent = frontWindow(this);
            const QString path = Dialogs::current().saveFileName(
                parent, QStringLiteral("Сохранить в PDF"), suggested, QStringLiteral("Документ PDF (*.pdf)"));
            if (path.isEmpty())
                return;
            const FileError error = writeSlipPdf(html, path);
            if (error == FileError::None)
                Dialogs::current().notify(parent, QStringLiteral("Талон записан:\r\n") +
                                                      QDir::toNativeSeparators(path));
            else
                Dialogs::current().critical(parent, writeFailureMessage(QFileInfo(path).fileName(), error));
        },
        this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->open();
}

void FrmForma::FileWarranty_Click()
{
    auto *window = new WarrantyWindow(m_shop.warranty(), m_session.catalogue().names(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QDialog::accepted, this, [this, window] {
        WarrantyTerms edited = window->edited();
        const FileError error = m_shop.saveWarranty(edited);
        if (error != FileError::None)
            Dialogs::current().critical(this,
                                        writeFailureMessage(QString::fromUtf8(kWarrantyFileName), error));
        else
            tell(QStringLiteral("Сроки гарантии сохранены."));
    });
    window->open();
}

// Backups of the whole base: the one the operator asks for ("Резервная копия…"), putting one back
// ("Восстановить из копии…"), and what is told of the automatic one of the day.
#include "FrmForma.h"

#include "Dialogs.h"
#include "Rotation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

void FrmForma::connectBackups()
{
    Backups &backups = m_shop.backups();
    connect(&backups, &Backups::backupDone, this, &FrmForma::backupDone);
    connect(&backups, &Backups::restoreDone, this, &FrmForma::restoredFrom);
    connect(&backups, &Backups::dailyFailed, this, &FrmForma::showDailyBackupFailure);
    connect(&backups, &Backups::progressRange, this, [this](int minimum, int maximum) {
        if (m_progress)
            m_progress->setRange(minimum, maximum);
    });
    connect(&backups, &Backups::progressValue, this, [this](int value) {
        if (m_progress)
            m_progress->setValue(value);
    });
}

// A window-modal progress bar over the work, so that neither the operator nor another till's
// changes reach the base meanwhile. Its "Отмена" asks the work to stop: the bar comes back at once
// and blocks the window until the work ends and tells how.
void FrmForma::showProgress(const QString &label)
{
    m_progress = std::make_unique<QProgressDialog>(label, QStringLiteral("Отмена"), 0, 0, this);
    m_progress->setObjectName(QStringLiteral("BackupProgress"));
    m_progress->setWindowTitle(QString::fromUtf8(kProgramTitle));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    connect(m_progress.get(), &QProgressDialog::canceled, m_progress.get(), [this] {
        m_shop.backups().cancel();
        m_progress->show();
    });
    m_progress->show();
}

void FrmForma::FileBackup_Click()
{
    if (m_shop.backups().isBusy())
        return; // one at a time
    const QString suggested = QDir::home().filePath(backup::dailyBackupName(QDate::currentDate()));
    const QString path = Dialogs::current().saveFileName(this, QStringLiteral("Резервная копия"), suggested,
                                                         QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;
    m_shop.backups().startBackup(path);
    showProgress(QStringLiteral("Резервная копия базы: запись и проверка…"));
}

void FrmForma::backupDone(const QString &path, const backup::Result &result)
{
    m_progress.reset();
    if (result.status == backup::Status::Done)
        Dialogs::current().notify(this, QStringLiteral("Резервная копия записана и проверена:\r\n") +
                                            QDir::toNativeSeparators(path) +
                                            QStringLiteral("\r\nФайлов в ней: %1.").arg(result.files));
    else if (result.status == backup::Status::Failed)
        Dialogs::current().critical(this, result.message);
}

void FrmForma::FileRestore_Click()
{
    Backups &backups = m_shop.backups();
    if (backups.isBusy())
        return; // one at a time
    const QString folder = backups.dailyFolder();
    const QString path = Dialogs::current().openFileName(
        this, QStringLiteral("Восстановить из копии"), QFileInfo::exists(folder) ? folder : QDir::homePath(),
        QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Backups::RestorePreview preview = backups.previewRestore(path);
    QApplication::restoreOverrideCursor();
    if (!preview.archive.ok) {
        Dialogs::current().critical(this, preview.archive.message);
        return;
    }
    const auto summary = [](const backup::BaseSummary &s) {
        return QStringLiteral("покупателей %1, покупок %2, последнее изменение %3")
            .arg(s.customers)
            .arg(s.purchases)
            .arg(s.newest.isValid() ? s.newest.toString(QStringLiteral("dd.MM.yyyy HH:mm"))
                                    : QStringLiteral("—"));
    };
    if (!Dialogs::current().confirm(
            this,
            QStringLiteral("Заменить базу содержимым копии \"%1\"?\r\nВ копии: %2.\r\nСейчас в базе: %3.\r\n"
                           "Нынешняя база будет сохранена в папку \"Резервные копии\".")
                .arg(QFileInfo(path).fileName(), summary(preview.archive.summary), summary(preview.base))))
        return;

    switch (backups.startRestore(path)) {
    case Backups::RestoreStart::Started:
        showProgress(QStringLiteral("Восстановление базы из копии…"));
        return;
    case Backups::RestoreStart::Busy:
        return;
    case Backups::RestoreStart::OthersRun:
        Dialogs::current().critical(this,
                                    QStringLiteral("Восстановить базу сейчас нельзя: программа открыта на "
                                                   "другой кассе. Закройте её там и повторите."));
        return;
    case Backups::RestoreStart::NoFolder:
        Dialogs::current().critical(this,
                                    QStringLiteral("Восстановить базу не возможно: папки \"База\" нет или "
                                                   "она защищена от записи."));
        return;
    }
}

void FrmForma::restoredFrom(const QString &path, const backup::RestoreResult &restored)
{
    m_progress.reset();
    if (restored.status == backup::Status::Cancelled)
        return;
    // The shop shows an empty card and the list as restored; the card's boxes follow.
    FileNewKlient_Click();
    if (restored.status == backup::Status::Done)
        Dialogs::current().notify(
            this, QStringLiteral("База восстановлена из копии \"%1\".\r\nПрежняя база сохранена: %2")
                      .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(restored.safetyCopy)));
    else
        Dialogs::current().critical(this, restored.message);
}

void FrmForma::showDailyBackupFailure(const QString &message)
{
    tell(QStringLiteral("Автоматическая резервная копия не сделана. ") + message, true);
}

// Backups of the whole base: the one the operator asks for ("Резервная копия…") and the automatic
// one of the day, made in the background at start-up.
#include "FrmForma.h"

#include "Backup.h"
#include "DailyBackup.h"
#include "Dialogs.h"
#include "Rotation.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>

#include <atomic>

namespace {

// Where the automatic backups go: "Резервные копии" beside the data folder as it really is (an
// installed program's "База" leads to the shared folder the tills write in).
QString dailyBackupFolder(const QString &bazaPath)
{
    const QString real = QFileInfo(QDir::cleanPath(bazaPath)).canonicalFilePath();
    return real.isEmpty() ? QString() : QFileInfo(real).dir().filePath(QStringLiteral("Резервные копии"));
}

} // namespace

backup::Sources FrmForma::backupSources() const
{
    return {m_bazaPath, m_goodsPath};
}

void FrmForma::FileBackup_Click()
{
    const QString suggested = QDir::home().filePath(backup::dailyBackupName(QDate::currentDate()));
    const QString path = Dialogs::current().saveFileName(this, QStringLiteral("Резервная копия"), suggested,
                                                         QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;

    QProgressDialog progress(QStringLiteral("Резервная копия базы: запись и проверка…"),
                             QStringLiteral("Отмена"), 0, 0, this);
    progress.setObjectName(QStringLiteral("BackupProgress"));
    progress.setWindowTitle(QString::fromUtf8(kProgramTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoReset(false);
    std::atomic<bool> cancelled = false;
    connect(&progress, &QProgressDialog::canceled, this, [&cancelled] { cancelled = true; });

    backup::Result result;
    const backup::Sources sources = backupSources();
    QThread *worker = QThread::create([&] {
        result = backup::writeBackup(sources, path, [&](qint64 done, qint64 total) {
            // Shown by the window's thread; dropped if the dialog is gone by then.
            QMetaObject::invokeMethod(
                &progress,
                [&progress, done, total] {
                    progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
                    progress.setValue(int(std::min<qint64>(done, INT_MAX)));
                },
                Qt::QueuedConnection);
            return !cancelled;
        });
    });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    progress.close();

    if (result.status == backup::Status::Done)
        Dialogs::current().notify(this, QStringLiteral("Резервная копия записана и проверена:\r\n") +
                                            QDir::toNativeSeparators(path) +
                                            QStringLiteral("\r\nФайлов в ней: %1.").arg(result.files));
    else if (result.status == backup::Status::Failed)
        Dialogs::current().critical(this, result.message);
}

void FrmForma::startDailyBackup()
{
    const QString folder = dailyBackupFolder(m_bazaPath);
    if (folder.isEmpty() || m_dailyBackup)
        return; // no data folder: nothing to keep
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto result = std::make_shared<backup::DailyResult>();
    m_stopDailyBackup = stop;
    m_dailyBackup = QThread::create([sources = backupSources(), folder, stop, result] {
        *result = backup::runIfDue(sources, folder, QDate::currentDate(),
                                   [stop](qint64, qint64) { return !*stop; });
    });
    connect(m_dailyBackup, &QThread::finished, this, [this, result] {
        m_dailyBackup->deleteLater();
        m_dailyBackup = nullptr;
        // Said once, without stopping the work; the next start tries again.
        if (result->status == backup::DailyStatus::Failed)
            Dialogs::current().notify(this, QStringLiteral("Автоматическая резервная копия не сделана.\r\n") +
                                                result->message);
    });
    m_dailyBackup->start(QThread::LowPriority);
}

void FrmForma::stopDailyBackup()
{
    if (!m_dailyBackup)
        return;
    *m_stopDailyBackup = true; // a cancelled backup leaves nothing behind; the next start makes it
    m_dailyBackup->wait();
    delete m_dailyBackup;
    m_dailyBackup = nullptr;
}

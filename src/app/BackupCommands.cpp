// Backups of the whole base: the one the operator asks for ("Резервная копия…") and the automatic
// one of the day, made in the background at start-up.
#include "FrmForma.h"

#include "Backup.h"
#include "BaseRestore.h"
#include "DailyBackup.h"
#include "Dialogs.h"
#include "FileLock.h"
#include "Rotation.h"
#include "UsrForma.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <cerrno>

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

// Runs `work` on a worker thread under a progress bar, the window's events going on meanwhile;
// returns once it is done. The bar's "Отмена" makes the work's progress calls answer false.
template <typename Result>
Result FrmForma::withProgress(const QString &label,
                              const std::function<Result(const backup::Progress &)> &work)
{
    QProgressDialog progress(label, QStringLiteral("Отмена"), 0, 0, this);
    progress.setObjectName(QStringLiteral("BackupProgress"));
    progress.setWindowTitle(QString::fromUtf8(kProgramTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoReset(false);
    std::atomic<bool> cancelled = false;
    connect(&progress, &QProgressDialog::canceled, this, [&cancelled] { cancelled = true; });

    Result result;
    QThread *worker = QThread::create([&] {
        result = work([&](qint64 done, qint64 total) {
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
    return result;
}

void FrmForma::FileBackup_Click()
{
    const QString suggested = QDir::home().filePath(backup::dailyBackupName(QDate::currentDate()));
    const QString path = Dialogs::current().saveFileName(this, QStringLiteral("Резервная копия"), suggested,
                                                         QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;
    const backup::Sources sources = backupSources();
    const backup::Result result = withProgress<backup::Result>(
        QStringLiteral("Резервная копия базы: запись и проверка…"),
        [&](const backup::Progress &progress) { return backup::writeBackup(sources, path, progress); });
    if (result.status == backup::Status::Done)
        Dialogs::current().notify(this, QStringLiteral("Резервная копия записана и проверена:\r\n") +
                                            QDir::toNativeSeparators(path) +
                                            QStringLiteral("\r\nФайлов в ней: %1.").arg(result.files));
    else if (result.status == backup::Status::Failed)
        Dialogs::current().critical(this, result.message);
}

void FrmForma::FileRestore_Click()
{
    const QString folder = dailyBackupFolder(m_bazaPath);
    const QString path = Dialogs::current().openFileName(
        this, QStringLiteral("Восстановить из копии"), QFileInfo::exists(folder) ? folder : QDir::homePath(),
        QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const backup::ArchiveReading reading = backup::readArchive(path);
    const backup::BaseSummary now = backup::summarizeBase(m_bazaPath);
    QApplication::restoreOverrideCursor();
    if (!reading.ok) {
        Dialogs::current().critical(this, reading.message);
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
                .arg(QFileInfo(path).fileName(), summary(reading.summary), summary(now))))
        return;

    // Alone with the base, or not at all: the other tills would write into what is replaced.
    m_presence.reset();
    std::optional<FileLock> alone = FileLock::presence(lockFileOf(m_bazaPath), true);
    if (!alone) {
        const bool othersRun = errno == EWOULDBLOCK;
        m_presence = FileLock::presence(lockFileOf(m_bazaPath), false);
        Dialogs::current().critical(
            this, othersRun
                      ? QStringLiteral("Восстановить базу сейчас нельзя: программа открыта на другой кассе. "
                                       "Закройте её там и повторите.")
                      : QStringLiteral("Восстановить базу не возможно: папки \"База\" нет или она защищена "
                                       "от записи."));
        return;
    }
    stopDailyBackup();
    const backup::Sources sources = backupSources();
    const QString safety = folder.isEmpty() ? QFileInfo(QDir::cleanPath(m_bazaPath)).path() : folder;
    const backup::RestoreResult restored = withProgress<backup::RestoreResult>(
        QStringLiteral("Восстановление базы из копии…"), [&](const backup::Progress &progress) {
            return backup::restoreBackup(sources, path, safety, progress);
        });
    alone.reset();
    m_presence = FileLock::presence(lockFileOf(m_bazaPath), false);
    if (restored.status == backup::Status::Cancelled)
        return;
    // The card shown may be gone: an empty card, the goods names and the list as restored.
    FileNewKlient_Click();
    m_usrForma1->LoadBaza();
    if (restored.status == backup::Status::Done)
        Dialogs::current().notify(
            this, QStringLiteral("База восстановлена из копии \"%1\".\r\nПрежняя база сохранена: %2")
                      .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(restored.safetyCopy)));
    else
        Dialogs::current().critical(this, restored.message);
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

// Backups of the whole base: the one the operator asks for ("Резервная копия…") and the automatic
// one of the day, made in the background at start-up.
#include "FrmForma.h"

#include "Backup.h"
#include "BaseRestore.h"
#include "DailyBackup.h"
#include "Dialogs.h"
#include "FileLock.h"
#include "OwnFolder.h"
#include "Rotation.h"
#include "UsrForma.h"

#include "SafeFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QtConcurrentRun>

#include <cerrno>
#include <climits>

namespace {

// Where the automatic backups go: "Резервные копии" beside the data folder as it really is (an
// installed program's "База" leads to the shared folder the tills write in).
QString dailyBackupFolder(const QString &bazaPath)
{
    // Only through links nobody but their folder's owner could have laid.
    QString real;
    if (!ownfolder::openPath(QDir::cleanPath(bazaPath), &real).isOpen())
        return QString();
    return QFileInfo(QFileInfo(real).absoluteFilePath()).dir().filePath(QStringLiteral("Резервные копии"));
}

} // namespace

backup::Sources FrmForma::backupSources() const
{
    return {m_bazaPath, m_goodsPath};
}

// Runs `work` beside the window under a window-modal progress bar, so that neither the operator
// nor another till's changes reach the base meanwhile; `then` gets the result on the window's
// thread. The bar's "Отмена" makes the work's progress calls answer false; closing the window
// stops the work and drops `then`.
template <typename Result>
void FrmForma::runWithProgress(const QString &label, std::function<Result(const backup::Progress &)> work,
                               std::function<void(const Result &)> then)
{
    m_progress = std::make_unique<QProgressDialog>(label, QStringLiteral("Отмена"), 0, 0, this);
    m_progress->setObjectName(QStringLiteral("BackupProgress"));
    m_progress->setWindowTitle(QString::fromUtf8(kProgramTitle));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    // "Отмена" hides the bar; it comes back at once and blocks the window until the work ends.
    connect(m_progress.get(), &QProgressDialog::canceled, m_progress.get(), [this] {
        m_operatorWork.cancel();
        m_progress->show();
    });
    connect(&m_operatorWork, &QFutureWatcherBase::progressRangeChanged, m_progress.get(),
            &QProgressDialog::setRange);
    connect(&m_operatorWork, &QFutureWatcherBase::progressValueChanged, m_progress.get(),
            &QProgressDialog::setValue);

    // The result goes beside the future: a cancelled future drops what is reported to it, but a
    // restore past the point of no return still tells how it ended.
    auto result = std::make_shared<Result>();
    m_afterOperatorWork = [result, then = std::move(then)] { then(*result); };
    m_operatorWork.setFuture(QtConcurrent::run([result, work = std::move(work)](QPromise<void> &promise) {
        *result = work([&promise, range = -1](qint64 done, qint64 total) mutable {
            if (const int steps = int(std::min<qint64>(total, INT_MAX)); steps != range)
                promise.setProgressRange(0, range = steps);
            promise.setProgressValue(int(std::min<qint64>(done, INT_MAX)));
            return !promise.isCanceled();
        });
    }));
    m_progress->show();
}

void FrmForma::operatorWorkDone()
{
    m_progress.reset();
    if (const std::function<void()> then = std::exchange(m_afterOperatorWork, nullptr))
        then();
}

void FrmForma::stopOperatorWork()
{
    m_afterOperatorWork = nullptr;
    m_operatorWork.cancel();
    m_operatorWork.waitForFinished();
    m_progress.reset();
}

void FrmForma::FileBackup_Click()
{
    if (m_progress)
        return; // one at a time
    const QString suggested = QDir::home().filePath(backup::dailyBackupName(QDate::currentDate()));
    const QString path = Dialogs::current().saveFileName(this, QStringLiteral("Резервная копия"), suggested,
                                                         QStringLiteral("Архив ZIP (*.zip)"));
    if (path.isEmpty())
        return;
    runWithProgress<backup::Result>(
        QStringLiteral("Резервная копия базы: запись и проверка…"),
        [sources = backupSources(), path](const backup::Progress &progress) {
            safefile::removeLeftovers(QFileInfo(path).absolutePath()); // what a killed backup left
            return backup::writeBackup(sources, path, progress);
        },
        [this, path](const backup::Result &result) {
            if (result.status == backup::Status::Done)
                Dialogs::current().notify(this,
                                          QStringLiteral("Резервная копия записана и проверена:\r\n") +
                                              QDir::toNativeSeparators(path) +
                                              QStringLiteral("\r\nФайлов в ней: %1.").arg(result.files));
            else if (result.status == backup::Status::Failed)
                Dialogs::current().critical(this, result.message);
        });
}

void FrmForma::FileRestore_Click()
{
    if (m_progress)
        return; // one at a time
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
    const QString safety = folder.isEmpty() ? QFileInfo(QDir::cleanPath(m_bazaPath)).path() : folder;
    runWithProgress<backup::RestoreResult>(
        QStringLiteral("Восстановление базы из копии…"),
        [sources = backupSources(), path, safety](const backup::Progress &progress) {
            return backup::restoreBackup(sources, path, safety, progress);
        },
        [this, path, held = std::make_shared<std::optional<FileLock>>(std::move(alone))](
            const backup::RestoreResult &restored) {
            held->reset();
            restoredFrom(path, restored);
        });
}

void FrmForma::restoredFrom(const QString &path, const backup::RestoreResult &restored)
{
    // Back among the other tills: the base is theirs again.
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
    if (folder.isEmpty() || m_dailyBackup.isRunning())
        return; // no data folder: nothing to keep
    m_dailyBackup.setFuture(QtConcurrent::run(
        &m_dailyPool, [sources = backupSources(), folder](QPromise<backup::DailyResult> &promise) {
            promise.addResult(backup::runIfDue(sources, folder, QDate::currentDate(),
                                               [&promise](qint64, qint64) { return !promise.isCanceled(); }));
        }));
}

void FrmForma::dailyBackupDone()
{
    if (m_dailyBackup.isCanceled() || m_dailyBackup.future().resultCount() == 0)
        return; // stopped
    const backup::DailyResult result = m_dailyBackup.result();
    // Told once a day, in a line that covers nothing; the next start tries again.
    if (result.status == backup::DailyStatus::Failed &&
        backup::firstFailureNotice(dailyBackupFolder(m_bazaPath), QDate::currentDate()))
        showDailyBackupFailure(result.message);
    emit dailyBackupEnded();
}

void FrmForma::showDailyBackupFailure(const QString &message)
{
    const QString text = QStringLiteral("Автоматическая резервная копия не сделана. ") + message;
    auto *line = new QLabel(text, statusBar());
    line->setObjectName(QStringLiteral("DailyBackupFailure"));
    line->setToolTip(text);
    line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // a long text widens nothing
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(line, 1);
}

void FrmForma::stopDailyBackup()
{
    // A cancelled backup leaves nothing behind; the next start makes it.
    m_dailyBackup.cancel();
    m_dailyBackup.waitForFinished();
}

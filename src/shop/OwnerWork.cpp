#include "OwnerWork.h"

#include "WarrantyTerms.h"

#include <QMetaObject>
#include <QtConcurrentRun>

#include <climits>

namespace {

// Progress from the reading thread to the window's, at most a hundred times a run; the flag
// answers the work's question whether to go on.
template <typename Signal>
ReportProgress relay(OwnerWork *work, Signal signal, std::shared_ptr<std::atomic_bool> cancel)
{
    return [work, signal, cancel, last = qint64(-1)](qint64 done, qint64 total) mutable {
        const qint64 step = std::max<qint64>(1, total / 100);
        if (done == total || last < 0 || done - last >= step) {
            last = done;
            const int shownDone = int(std::min<qint64>(done, INT_MAX));
            const int shownTotal = int(std::min<qint64>(total, INT_MAX));
            QMetaObject::invokeMethod(
                work, [work, signal, shownDone, shownTotal] { emit(work->*signal)(shownDone, shownTotal); },
                Qt::QueuedConnection);
        }
        return !cancel->load();
    };
}

} // namespace

OwnerWork::OwnerWork(QString bazaPath, QObject *parent) : QObject(parent), m_bazaPath(std::move(bazaPath))
{
    connect(&m_report, &QFutureWatcher<SalesReport>::finished, this, [this] {
        const SalesReport report = m_report.result();
        // A report replaced by a newer one is not told.
        if (!report.cancelled)
            emit reportReady(report);
    });
    connect(&m_export, &QFutureWatcher<SalesExport::Result>::finished, this,
            [this] { emit exportDone(m_exportTarget, m_export.result()); });
}

OwnerWork::~OwnerWork()
{
    stop();
}

void OwnerWork::startReport(const QDate &from, const QDate &to)
{
    cancelReport();
    m_report.waitForFinished();
    m_reportCancel = std::make_shared<std::atomic_bool>(false);
    const ReportProgress progress = relay(this, &OwnerWork::reportProgress, m_reportCancel);
    m_report.setFuture(QtConcurrent::run(
        [path = m_bazaPath, from, to, progress] { return SalesReport::build(path, from, to, progress); }));
}

void OwnerWork::cancelReport()
{
    if (m_reportCancel)
        m_reportCancel->store(true);
}

bool OwnerWork::startExport(const QString &target, const ExportScope &scope, const WarrantyTerms &terms)
{
    if (m_export.isRunning())
        return false;
    m_exportCancel = std::make_shared<std::atomic_bool>(false);
    m_exportTarget = target;
    const ReportProgress progress = relay(this, &OwnerWork::exportProgress, m_exportCancel);
    m_export.setFuture(QtConcurrent::run([path = m_bazaPath, terms, scope, target, progress] {
        return SalesExport::write(path, terms, scope, target, SalesExport::formatFor(target), progress);
    }));
    return true;
}

void OwnerWork::cancelExport()
{
    if (m_exportCancel)
        m_exportCancel->store(true);
}

void OwnerWork::stop()
{
    m_report.disconnect(this);
    m_export.disconnect(this);
    cancelReport();
    cancelExport();
    m_report.waitForFinished();
    m_export.waitForFinished();
}

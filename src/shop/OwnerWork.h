#pragma once

#include "SalesExport.h"
#include "SalesReport.h"

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <memory>

class WarrantyTerms;

// The owner's work on the whole base beside the window: the sales report of a period and the
// export to a spreadsheet, each read on a thread of its own with its progress told. A new report
// asked for while one is read replaces it; the export runs one at a time.
class OwnerWork final : public QObject {
    Q_OBJECT

public:
    explicit OwnerWork(QString bazaPath, QObject *parent = nullptr);
    ~OwnerWork() override;

    void startReport(const QDate &from, const QDate &to);
    void cancelReport();
    bool reportRunning() const { return m_report.isRunning(); }

    // False when an export is under way already. `terms` is copied: the owner may edit the
    // table meanwhile.
    bool startExport(const QString &target, const ExportScope &scope, const WarrantyTerms &terms);
    void cancelExport();
    bool exportRunning() const { return m_export.isRunning(); }

    // Waits for the work under way to end, its result untold (the program is closing).
    void stop();

signals:
    // Cards read of the cards listed, as a progress bar takes them.
    void reportProgress(int done, int total);
    void reportReady(const SalesReport &report);
    void exportProgress(int done, int total);
    void exportDone(const QString &target, const SalesExport::Result &result);

private:
    QString m_bazaPath;
    std::shared_ptr<std::atomic_bool> m_reportCancel;
    std::shared_ptr<std::atomic_bool> m_exportCancel;
    QFutureWatcher<SalesReport> m_report;
    QFutureWatcher<SalesExport::Result> m_export;
    QString m_exportTarget;
};

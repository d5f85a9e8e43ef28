#pragma once

#include "SearchIndex.h"

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <functional>
#include <memory>

// The search index of the data folder, kept exact as the program writes cards. The whole folder
// is read in a worker thread after the window is shown, so start-up stays fast; a card written
// meanwhile is read again at once and wins over what the worker read.
class CardSearch final : public QObject {
    Q_OBJECT

public:
    explicit CardSearch(QString bazaPath, QObject *parent = nullptr);
    ~CardSearch() override;

    // Reads the whole folder again (in the worker).
    void rebuild();
    // Reads one card file again after the program wrote it; a file that is gone leaves the index.
    void refreshFile(const QString &fileName);
    // Waits for the worker; for tests and the benchmark.
    void waitUntilReady();

    bool isReady() const { return !m_reading; }
    // The texts of a found row, read from its card file (empty texts when it cannot be read).
    SearchRow row(const SearchHit &hit) const;
    // Gives a found item's warranty end: the purchase's day, its goods and the item's name.
    using WarrantyEnd = std::function<QDate(const QDate &day, const QString &goods, const QString &item)>;
    void setWarrantyEnd(WarrantyEnd warrantyEnd) { m_warrantyEnd = std::move(warrantyEnd); }
    // The customer and date of the item sold before with this serial number.
    bool findSold(const QString &serial, SearchRow *sold) const;
    const SearchIndex &index() const { return m_index; }

signals:
    void ready();
    // A card was read again after the program wrote it.
    void changed();

private:
    using Built = std::shared_ptr<SearchIndex>;

    static void readFolder(QPromise<Built> &promise, const QString &bazaPath);
    void readingDone();

    QString m_bazaPath;
    WarrantyEnd m_warrantyEnd;
    SearchIndex m_index;
    bool m_reading = false;
    // One reading at a time, at low priority: a reading a newer rebuild cancelled ends before the
    // next one starts. The watcher follows the newest one only.
    QThreadPool m_pool;
    QFutureWatcher<Built> m_reader;
    // Cards written while the worker reads; they replace what it found. A null entry: gone.
    QHash<QString, std::shared_ptr<SearchIndex::Entry>> m_pending;
};

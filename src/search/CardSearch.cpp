#include "CardSearch.h"

#include "BazaScan.h"
#include "SafeFile.h"

#include <QThread>
#include <QtConcurrentRun>

namespace {

std::shared_ptr<SearchIndex::Entry> readEntry(const QString &bazaPath, const QString &fileName)
{
    QByteArray bytes;
    if (safefile::readFile(bazaPath + fileName, bytes) != FileError::None)
        return nullptr;
    return std::make_shared<SearchIndex::Entry>(SearchIndex::makeEntry(fileName, bytes));
}

} // namespace

CardSearch::CardSearch(QString bazaPath, QObject *parent) : QObject(parent), m_bazaPath(std::move(bazaPath))
{
    m_pool.setMaxThreadCount(1);
    m_pool.setThreadPriority(QThread::LowPriority);
    connect(&m_reader, &QFutureWatcherBase::finished, this, &CardSearch::readingDone);
}

CardSearch::~CardSearch()
{
    m_reader.cancel();
    m_reader.waitForFinished();
}

void CardSearch::rebuild()
{
    m_reader.cancel();
    m_pending.clear();
    m_reading = true;
    // The watcher leaves the cancelled reading: what it still reports never arrives here.
    m_reader.setFuture(QtConcurrent::run(&m_pool, &CardSearch::readFolder, m_bazaPath));
}

void CardSearch::readFolder(QPromise<Built> &promise, const QString &bazaPath)
{
    // Most of the time goes into the system calls of opening and reading each card; two runs of
    // cards read side by side, one a core, overlap them.
    std::vector<SearchIndex> parts(size_t(std::min(2, QThread::idealThreadCount())));
    const bool whole = bazascan::forEachCard(bazaPath, int(parts.size()),
                                             [&](int part, const QString &name, QByteArrayView bytes) {
                                                 parts[size_t(part)].addCard(name, bytes);
                                                 return !promise.isCanceled();
                                             });
    if (!whole || promise.isCanceled())
        return;
    auto built = std::make_shared<SearchIndex>(std::move(parts[0]));
    for (size_t i = 1; i < parts.size(); ++i)
        built->append(std::move(parts[i]));
    promise.addResult(std::move(built)); // dropped when cancelled meanwhile
}

void CardSearch::readingDone()
{
    if (!m_reading || m_reader.isCanceled() || m_reader.future().resultCount() == 0)
        return;
    m_index = std::move(*m_reader.result());
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (*it)
            m_index.setEntry(**it);
        else
            m_index.removeFile(it.key());
    }
    m_pending.clear();
    m_reading = false;
    emit ready();
}

void CardSearch::refreshFile(const QString &fileName)
{
    const std::shared_ptr<SearchIndex::Entry> entry = readEntry(m_bazaPath, fileName);
    if (entry)
        m_index.setEntry(*entry);
    else
        m_index.removeFile(fileName);
    if (m_reading)
        m_pending.insert(fileName, entry);
    emit changed();
}

SearchRow CardSearch::row(const SearchHit &hit) const
{
    QByteArray bytes;
    // A card that cannot be read any more (removed behind the program's back) gives a row with
    // its file name only.
    [[maybe_unused]] const FileError error = safefile::readFile(m_bazaPath + hit.fileName, bytes);
    SearchRow found = SearchIndex::rowOf(hit, bytes);
    if (m_warrantyEnd && found.day.isValid() && !found.tovar.isEmpty())
        found.warrantyEnd = m_warrantyEnd(found.day, found.tovar, found.izdelie);
    return found;
}

bool CardSearch::findSold(const QString &serial, SearchRow *sold) const
{
    SearchHit hit;
    if (!m_index.findSerial(serial, &hit))
        return false;
    if (sold)
        *sold = row(hit);
    return true;
}

void CardSearch::waitUntilReady()
{
    m_reader.waitForFinished();
    readingDone(); // the watcher's word on it comes later and then finds it done
}

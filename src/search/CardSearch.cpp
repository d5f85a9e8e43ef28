#include "CardSearch.h"

#include "BazaScan.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QThread>

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
}

CardSearch::~CardSearch()
{
    if (m_cancel)
        m_cancel->store(true);
    // A finished reading posts nothing after its cancel flag is set, and what it posted before
    // goes with this object.
    for (const QPointer<QThread> &thread : std::as_const(m_threads))
        if (thread)
            thread->wait();
}

void CardSearch::rebuild()
{
    if (m_cancel)
        m_cancel->store(true);
    const quint64 generation = ++m_generation;
    m_pending.clear();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const QString bazaPath = m_bazaPath;
    QThread *thread = QThread::create([this, bazaPath, generation, cancel] {
        // Most of the time goes into the system calls of opening and reading each card; two runs
        // of cards read side by side, one a core, overlap them.
        std::vector<SearchIndex> parts(size_t(std::min(2, QThread::idealThreadCount())));
        const bool whole = bazascan::forEachCard(bazaPath, int(parts.size()),
                                                 [&](int part, const QString &name, QByteArrayView bytes) {
                                                     parts[size_t(part)].addCard(name, bytes);
                                                     return !cancel->load();
                                                 });
        if (!whole || cancel->load())
            return;
        auto built = std::make_shared<SearchIndex>(std::move(parts[0]));
        for (size_t i = 1; i < parts.size(); ++i)
            built->append(std::move(parts[i]));
        if (!cancel->load())
            QMetaObject::invokeMethod(
                this, [this, generation, built] { workerDone(generation, built); }, Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_threads.removeAll(nullptr);
    m_threads.append(thread);
    m_reading = true;
    thread->start(QThread::LowPriority);
}

void CardSearch::workerDone(quint64 generation, std::shared_ptr<SearchIndex> built)
{
    if (generation != m_generation)
        return;
    m_index = std::move(*built);
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
    return SearchIndex::rowOf(hit, bytes);
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
    while (m_reading) {
        QThread::msleep(5);
        QCoreApplication::sendPostedEvents(this);
    }
}

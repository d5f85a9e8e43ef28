#include "CardPass.h"

#include "BazaScan.h"
#include "OwnFolder.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// The card files the folder lists, counted as the scan tells them (a name ending in ".dat", not
// hidden), for the progress bar and the count of cards that could not be read.
qint64 countCards(int folder)
{
    const auto names = ownfolder::names(folder);
    if (!names)
        return -1;
    return std::count_if(names->cbegin(), names->cend(), [](const QByteArray &name) {
        return name.size() >= 4 && !name.startsWith('.') && name.right(4).toLower() == ".dat";
    });
}

} // namespace

CardPass CardPass::run(const QString &bazaPath,
                       const std::function<void(int, const QString &, QByteArrayView)> &visit,
                       const ReportProgress &progress, qint64 progressTotal)
{
    CardPass pass;
    {
        const UniqueFd folder = ownfolder::openPath(bazaPath);
        pass.listed = folder.isOpen() ? countCards(folder.get()) : -1;
        if (pass.listed < 0) {
            pass.error = classifyErrno(errno);
            pass.listed = 0;
            return pass;
        }
    }
    const qint64 total = progressTotal > 0 ? progressTotal : pass.listed;
    // As the start-up scan: a small folder is read at once, a large one in up to four runs.
    pass.parts = pass.listed < 2000 ? 1 : std::clamp(QThread::idealThreadCount(), 1, kMaxParts);
    std::atomic<bool> cancelled = false;
    std::atomic<qint64> read = 0;
    const Qt::HANDLE caller = QThread::currentThreadId();
    qint64 told = 0;
    const qint64 stride = std::max<qint64>(1, pass.listed / 400);
    if (progress && !progress(0, total))
        cancelled = true;
    bazascan::forEachCard(bazaPath, pass.parts, [&](int part, const QString &name, QByteArrayView bytes) {
        if (cancelled.load(std::memory_order_relaxed))
            return false;
        visit(part, name, bytes);
        const qint64 done = read.fetch_add(1, std::memory_order_relaxed) + 1;
        // Told only on the calling thread, which reads the first run.
        if (progress && QThread::currentThreadId() == caller && done - told >= stride) {
            told = done;
            if (!progress(std::min(done, total), total))
                cancelled = true;
        }
        return !cancelled.load(std::memory_order_relaxed);
    });
    pass.cancelled = cancelled;
    pass.unread = std::max<qint64>(0, pass.listed - read);
    return pass;
}

#include "CardPass.h"

#include "FileName.h"
#include "OwnFolder.h"
#include "SafeFile.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The reading of 100,000 cards costs what its system calls cost, so each card takes three: open
// (never through a link, never waiting on a pipe), one read into a buffer that holds any usual card
// whole (a short read of an ordinary file is its end), close. Where the listing already told the
// entry is an ordinary file, the card is not looked at again; whatever took its place meanwhile
// is still never followed or waited for, and bounded as every card is.

namespace {

constexpr qsizetype kBuffer = 64 * 1024;

bool isCardName(const char *name)
{
    const size_t len = std::strlen(name);
    if (len < 4 || name[0] == '.')
        return false;
    const char *ext = name + len - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'd' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 't';
}

// The card files of the open folder, as the customer scan lists them (ordinary files named
// "*.dat", not hidden), sorted by their bytes. Nothing, with errno set, when it cannot be listed.
std::optional<std::vector<QByteArray>> listCards(int folder)
{
    DIR *dir = ::fdopendir(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> names;
    while (const dirent *e = ::readdir(dir)) {
        if (!isCardName(e->d_name))
            continue;
        struct stat st {};
        if (e->d_type == DT_REG ||
            (e->d_type == DT_UNKNOWN && ::fstatat(folder, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISREG(st.st_mode)))
            names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The card's bytes in `buffer`, or -1 when it cannot be read or is over the bound.
qsizetype readCard(int folder, const QByteArray &name, QByteArray &buffer)
{
    const UniqueFd fd = safefile::openListedFile(folder, name.constData());
    if (!fd.isOpen())
        return -1;
    if (buffer.size() < kBuffer)
        buffer.resize(kBuffer);
    const ssize_t n = TEMP_FAILURE_RETRY(::read(fd.get(), buffer.data(), size_t(buffer.size())));
    if (n < 0)
        return -1;
    if (n < buffer.size())
        return n;
    const qsizetype size = readAllFrom(fd.get(), buffer, n, safefile::kMaxFileBytes + 1);
    return size > safefile::kMaxFileBytes ? -1 : size;
}

} // namespace

CardPass CardPass::run(const QString &bazaPath,
                       const std::function<void(int, const QString &, QByteArrayView)> &visit,
                       const ReportProgress &progress)
{
    CardPass pass;
    const UniqueFd folder = ownfolder::openPath(bazaPath);
    const auto names = folder.isOpen() ? listCards(folder.get()) : std::nullopt;
    if (!names) {
        pass.error = classifyErrno(errno);
        return pass;
    }
    const qsizetype n = qsizetype(names->size());
    pass.listed = n;
    // As the start-up scan: a small folder is read at once, a large one in runs side by side; the
    // calling thread reads the first and tells how far it got, scaled to the whole.
    pass.parts = n < 2000 ? 1 : std::clamp(QThread::idealThreadCount(), 1, kMaxParts);
    std::atomic<bool> cancelled = progress && !progress(0, n);
    std::atomic<qint64> read = 0;
    const qint64 stride = std::max<qint64>(1, n / 400 / pass.parts);
    const auto readRun = [&](int part) {
        const qsizetype from = n * part / pass.parts, to = n * (part + 1) / pass.parts;
        QByteArray buffer;
        qint64 done = 0;
        for (qsizetype i = from; i < to && !cancelled.load(std::memory_order_relaxed); ++i) {
            const QByteArray &name = (*names)[size_t(i)];
            const qsizetype size = readCard(folder.get(), name, buffer);
            if (size >= 0) {
                visit(part, filename::decode(name), QByteArrayView(buffer).first(size));
                read.fetch_add(1, std::memory_order_relaxed);
            }
            if (part == 0 && progress && ++done % stride == 0 && !progress(done * pass.parts, n))
                cancelled = true;
        }
    };
    {
        std::vector<std::jthread> others;
        for (int part = 1; part < pass.parts; ++part)
            others.emplace_back(readRun, part);
        readRun(0);
    }
    pass.cancelled = cancelled;
    pass.unread = n - read;
    if (progress && !pass.cancelled)
        progress(n, n);
    return pass;
}

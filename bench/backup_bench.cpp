// The backup of the generated base of 100,000 cards into one checked .zip, against a raw copy of
// the same files into one file in the same run. Run by scripts/bench.sh after the main benchmark;
// it tells whether the daily backup may run while the program closes or must go to the background.
#include "BenchData.h"
#include "Median.h"

#include "Backup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The floor: list the folder and read every file whole, no Qt; with `out` open, each file is also
// appended to it (a tar-like copy), flushed to the disk at the end.
qint64 rawCopy(const std::string &folder, int out)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<char> buffer(1 << 16);
    qint64 bytes = 0;
    while (const dirent *e = ::readdir(dir)) {
        if (e->d_type != DT_REG)
            continue;
        const int fd = ::openat(::dirfd(dir), e->d_name, O_RDONLY);
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
            bytes += n;
            if (out >= 0 && ::write(out, buffer.data(), size_t(n)) != n)
                bytes = -1;
        }
        ::close(fd);
    }
    ::closedir(dir);
    if (out >= 0 && ::fsync(out) != 0)
        bytes = -1;
    return bytes;
}

QString mb(qint64 bytes)
{
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dataRoot = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const benchdata::Folder data = benchdata::ensure(dataRoot, 100000, false);
    const QString outFolder = dataRoot + QStringLiteral("/tarvesko-bench-backup");
    QDir().mkpath(outFolder);
    const QString zip = outFolder + QStringLiteral("/Тарвеско.zip");
    const QByteArray copy = QFile::encodeName(outFolder + QStringLiteral("/raw-copy"));
    const std::string native = QFile::encodeName(data.baza).toStdString();
    const int runs = 3;

    // Raw read, raw copy and backup alternate, so that each sees the same state of the machine.
    std::vector<double> read, copied, total, writing;
    backup::Result result;
    rawCopy(native, -1); // warms the cache
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        rawCopy(native, -1);
        read.push_back(double(t.nsecsElapsed()) / 1e9);

        const int out = ::open(copy.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        t.restart();
        const bool copiedAll = rawCopy(native, out) > 0;
        copied.push_back(double(t.nsecsElapsed()) / 1e9);
        ::close(out);
        ::unlink(copy.constData());

        // The files are written in the first half of the steps and checked in the second.
        qint64 written = 0;
        t.restart();
        result = backup::writeBackup({data.baza, data.goods}, zip, [&](qint64 done, qint64 all) {
            if (written == 0 && done >= all / 2)
                written = t.nsecsElapsed();
            return true;
        });
        total.push_back(double(t.nsecsElapsed()) / 1e9);
        writing.push_back(double(written) / 1e9);
        if (!copiedAll || result.status != backup::Status::Done || result.files < data.count + 1) {
            std::fprintf(stderr, "backup bench: wrong result: %s (%lld files)\n", qPrintable(result.message),
                         static_cast<long long>(result.files));
            return 2;
        }
    }
    QFile::remove(zip);

    const double raw = median(copied);
    const double all = median(total);
    const double written = median(writing);
    std::printf("backup of %s: %d cards + Товары.txt, %s, median of %d runs\n", native.c_str(), data.count,
                qPrintable(mb(data.bytes)), runs);
    std::printf("%-44s %8.2f s\n", "raw: read every file", median(read));
    std::printf("%-44s %8.2f s\n", "raw: copy every file into one file, fsync", raw);
    std::printf("%-44s %8.2f s   %.2f x raw copy\n", "backup to .zip, read back, checked", all, all / raw);
    std::printf("%-44s %8.2f s\n", "  writing the archive, fsync", written);
    std::printf("%-44s %8.2f s\n", "  reading it back from the disk, checking", all - written);
    std::printf("%-44s %8s   %.0f %% of the files\n", "archive size", qPrintable(mb(result.archiveBytes)),
                100.0 * double(result.archiveBytes) / double(data.bytes));
    return 0;
}

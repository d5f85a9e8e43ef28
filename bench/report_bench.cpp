// The owner's sales report of one year over the generated base of 100,000 cards, beside a raw read
// of the same files in the same run, and the export of that year to .xlsx. Run by scripts/bench.sh
// after the main benchmark; the report is meant to be there within a second.
#include "BenchData.h"
#include "Median.h"

#include "SalesExport.h"
#include "SalesReport.h"
#include "WarrantyTerms.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The floor: list the folder and read every file whole, no Qt, one thread.
qint64 rawRead(const std::string &folder)
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
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            bytes += n;
        ::close(fd);
    }
    ::closedir(dir);
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dataRoot = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const benchdata::Folder data = benchdata::ensure(dataRoot, 100000, false);
    const std::string native = QFile::encodeName(data.baza).toStdString();
    const QDate from(2024, 1, 1), to(2024, 12, 31);
    const int runs = 3;

    std::vector<double> read, report;
    SalesReport result;
    rawRead(native); // warms the cache
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        rawRead(native);
        read.push_back(double(t.nsecsElapsed()) / 1e9);
        t.restart();
        result = SalesReport::build(data.baza, from, to, [](qint64, qint64) { return true; });
        report.push_back(double(t.nsecsElapsed()) / 1e9);
        if (result.error != FileError::None || result.cards != data.count) {
            std::fprintf(stderr, "report bench: read %lld of %d cards\n",
                         static_cast<long long>(result.cards), data.count);
            return 2;
        }
    }

    const QString outFolder = dataRoot + QStringLiteral("/tarvesko-bench-report");
    QDir().mkpath(outFolder);
    const QString xlsx = outFolder + QStringLiteral("/Покупки 2024.xlsx");
    QElapsedTimer t;
    t.start();
    const SalesExport::Result exported = SalesExport::write(data.baza, WarrantyTerms(), ExportScope{from, to},
                                                            xlsx, SalesExport::Format::Xlsx);
    const double exportSecs = double(t.nsecsElapsed()) / 1e9;
    QFile::remove(xlsx);
    if (!exported.done()) {
        std::fprintf(stderr, "report bench: export failed: %s\n", qPrintable(exported.message));
        return 2;
    }

    const double secs = median(report);
    std::printf("sales report of %s: %d cards, median of %d runs\n", native.c_str(), data.count, runs);
    std::printf("%-44s %8.2f s\n", "raw: read every file, one thread", median(read));
    std::printf("%-44s %8.2f s   %lld sales, target 1 s\n", "report of 2024 (one pass, runs side by side)",
                secs, static_cast<long long>(result.sales));
    std::printf("%-44s %8.2f s   %lld rows\n", "export of 2024 to .xlsx", exportSecs,
                static_cast<long long>(exported.rows));
    return secs <= 1.0 ? 0 : 1;
}

// The customer scan of a data folder that holds one card with any bytes: it must not crash, the
// entry must show what opening the card shows (surname, name, patronymic, the two phones), the full
// name must be the three parts joined by exactly two blanks, and no field may hold a line break.
// The scan reads only the head of a file when that is enough, so the entry read from the folder is
// also compared with the entry made from the whole content.
#include "BazaScan.h"
#include "CardFile.h"
#include "FuzzCheck.h"

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using fuzzcheck::hasLineBreak;
using fuzzcheck::require;
using fuzzcheck::shown;

namespace {

const QString kCardName = QStringLiteral("00000001.dat");
QByteArray g_folder; // the data folder of the run, ending with '/'

void removeFolder()
{
    ::unlink((g_folder + kCardName.toLatin1()).constData());
    ::rmdir(g_folder.constData());
}

QString describe(const KlientRec &r)
{
    return QStringLiteral("Familiya %1 FIO %2 FileName %3 Telephon1 %4 Telephon2 %5 FamiliyaUpper %6")
        .arg(shown(r.Familiya), shown(r.FIO), shown(r.FileName), shown(r.Telephon1), shown(r.Telephon2),
             shown(r.FamiliyaUpper));
}

void writeCard(const uint8_t *data, size_t size)
{
    const QByteArray path = g_folder + kCardName.toLatin1();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fuzzcheck::fail("cannot write the card of the run", QString::fromLocal8Bit(path));
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            fuzzcheck::fail("cannot write the card of the run", QString::fromLocal8Bit(path));
        done += size_t(n);
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *tmp = std::getenv("TMPDIR");
    QByteArray pattern = QByteArray(tmp && *tmp ? tmp : "/tmp") + "/tarvesko-scan-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        fuzzcheck::fail("cannot make the data folder of the run", QString::fromLocal8Bit(pattern));
    g_folder = pattern + '/';
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const KlientRec rec = bazascan::recordFromBytes(kCardName, bytes);

    for (const QString *field : {&rec.Familiya, &rec.FIO, &rec.Telephon1, &rec.Telephon2, &rec.FamiliyaUpper})
        require(!hasLineBreak(*field), "no field of an index entry holds a line break",
                [&] { return describe(rec); });
    require(rec.FileName == kCardName, "the entry names its file", [&] { return describe(rec); });

    const CardHeader h = cardfile::parse(bytes).header;
    require(rec.Familiya == h.familiya && rec.Telephon1 == h.telDom && rec.Telephon2 == h.telRab,
            "the entry holds the surname and phones the opened card shows", [&] { return describe(rec); });
    require(rec.FIO == h.familiya + QLatin1Char(' ') + h.imya + QLatin1Char(' ') + h.otchestvo,
            "the full name is surname, name and patronymic with exactly two blanks added",
            [&] { return describe(rec); });
    require(rec.FamiliyaUpper == rec.Familiya.toUpper(), "the search key is the upper-cased surname",
            [&] { return describe(rec); });

    // The same card as a file in a data folder of its own.
    writeCard(data, size);
    const QString folder = QFile::decodeName(g_folder);
    require(bazascan::listCardFiles(folder) == QStringList{kCardName},
            "a folder with one card lists that card");
    const QList<KlientRec> scanned = bazascan::scan(folder);
    require(scanned.size() == 1 && scanned.first() == rec,
            "the scan of the folder gives the entry made from the whole file", [&] {
                return QStringLiteral("from the whole file: %1\nfrom the scan: %2")
                    .arg(describe(rec),
                         scanned.isEmpty() ? QStringLiteral("none") : describe(scanned.first()));
            });
    return 0;
}

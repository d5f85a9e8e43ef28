#include "ArchiveCheck.h"

#include "Utf8Locale.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace backup {

CheckOutcome checkArchive(const QString &path, const Checksums &expected,
                          const std::function<bool()> &afterEntry)
{
    const Utf8Locale utf8; // names come back as they were written, in any locale
    const std::unique_ptr<archive, int (*)(archive *)> reader(archive_read_new(), archive_read_free);
    if (!reader || archive_read_support_format_zip(reader.get()) != ARCHIVE_OK ||
        archive_read_open_filename(reader.get(), QFile::encodeName(path).constData(), 64 * 1024) !=
            ARCHIVE_OK)
        return CheckOutcome::Differs;

    QSet<QByteArray> seen;
    seen.reserve(expected.size());
    QCryptographicHash sha(QCryptographicHash::Sha256);
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        const char *name = archive_entry_pathname_utf8(entry);
        const auto want = name ? expected.constFind(QByteArray(name)) : expected.cend();
        if (want == expected.cend() || seen.contains(want.key()))
            return CheckOutcome::Differs;
        seen.insert(want.key());
        sha.reset();
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        qint64 read = 0;
        while ((status = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK) {
            if (offset != read)
                return CheckOutcome::Differs;
            sha.addData(QByteArrayView(static_cast<const char *>(block), qsizetype(size)));
            read += qint64(size);
        }
        if (status != ARCHIVE_EOF || sha.result() != *want)
            return CheckOutcome::Differs;
        if (afterEntry && !afterEntry())
            return CheckOutcome::Cancelled;
    }
    return status == ARCHIVE_EOF && seen.size() == expected.size() ? CheckOutcome::Matches
                                                                   : CheckOutcome::Differs;
}

} // namespace backup

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

    QCryptographicHash sha(QCryptographicHash::Sha256);
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    qsizetype i = 0;
    for (; (status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK; ++i) {
        const char *name = archive_entry_pathname_utf8(entry);
        if (i >= expected.size() || !name || expected.name(i) != name)
            return CheckOutcome::Differs;
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
        if (status != ARCHIVE_EOF || sha.resultView() != expected.sha256(i))
            return CheckOutcome::Differs;
        if (afterEntry && !afterEntry())
            return CheckOutcome::Cancelled;
    }
    return status == ARCHIVE_EOF && i == expected.size() ? CheckOutcome::Matches : CheckOutcome::Differs;
}

void Checksums::append(qsizetype entry, const QByteArray &sha256)
{
    m_entries.push_back(entry);
    m_sums += sha256;
}

} // namespace backup

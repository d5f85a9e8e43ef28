#include "ZipWriter.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>

namespace {

// Smaller files are stored as they are: deflating one costs its fixed start-up (most of the
// time of a backup of 100,000 cards) to save a few dozen bytes.
constexpr qsizetype kDeflateFrom = 1024;

} // namespace

ZipWriter::ZipWriter(int fd) : m_archive(archive_write_new()), m_entry(archive_entry_new())
{
    m_open = m_archive && m_entry && check(archive_write_set_format_zip(m_archive)) &&
             check(archive_write_set_format_option(m_archive, "zip", "hdrcharset", "UTF-8")) &&
             check(archive_write_set_bytes_per_block(m_archive, 64 * 1024)) &&
             check(archive_write_set_bytes_in_last_block(m_archive, 1)) &&
             check(archive_write_open_fd(m_archive, fd));
    if (!m_archive || !m_entry)
        m_error = ENOMEM;
}

ZipWriter::~ZipWriter()
{
    archive_entry_free(m_entry);
    // An archive not finished is given up: nothing more is written to the file.
    if (m_open)
        archive_write_fail(m_archive);
    archive_write_free(m_archive); // the file stays open: it is the caller's
}

bool ZipWriter::check(int status)
{
    if (status == ARCHIVE_OK)
        return true;
    m_error = archive_errno(m_archive) > 0 ? archive_errno(m_archive) : EIO;
    return false;
}

bool ZipWriter::add(const QByteArray &name, QByteArrayView data, const struct stat &st)
{
    if (!m_open)
        return false;
    archive_entry_clear(m_entry);
    archive_entry_set_pathname_utf8(m_entry, name.constData());
    archive_entry_set_filetype(m_entry, AE_IFREG);
    archive_entry_set_perm(m_entry, st.st_mode & 0777);
    archive_entry_set_size(m_entry, data.size());
    archive_entry_set_mtime(m_entry, st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (!check(data.size() < kDeflateFrom ? archive_write_zip_set_compression_store(m_archive)
                                          : archive_write_zip_set_compression_deflate(m_archive)) ||
        !check(archive_write_header(m_archive, m_entry)))
        return false;
    if (archive_write_data(m_archive, data.data(), size_t(data.size())) != data.size())
        return check(ARCHIVE_FATAL);
    return check(archive_write_finish_entry(m_archive));
}

bool ZipWriter::finish()
{
    const bool ok = m_open && check(archive_write_close(m_archive));
    m_open = false;
    return ok;
}

#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sys/stat.h>

struct archive;
struct archive_entry;

// Writes a .zip archive into an open file (left open), entry by entry. Names are UTF-8 with the
// language-encoding flag set, whatever the locale: unzip programs, Windows' own too, read them so.
class ZipWriter {
public:
    explicit ZipWriter(int fd);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // One ordinary file: its UTF-8 name, bytes, and the mode and modification time of `st`.
    bool add(const QByteArray &name, QByteArrayView data, const struct stat &st);
    // Writes the central directory. Nothing may be added after it.
    bool finish();
    // The errno of the last failure (EIO when libarchive gives none).
    int error() const { return m_error; }

private:
    bool check(int status);

    archive *m_archive = nullptr;
    archive_entry *m_entry = nullptr;
    bool m_open = false;
    int m_error = 0;
};
